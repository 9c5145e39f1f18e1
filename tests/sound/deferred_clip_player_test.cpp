// SPDX-License-Identifier: GPL-3.0-or-later
// The player opened after the face is on screen: nothing asked for before it is lost or
// reordered, and a player that cannot open costs nothing.
#include "sound/deferred_clip_player.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace tavrin {
namespace {

using Clips = std::vector<std::pair<int, int>>;

struct Recorder final : ClipPlayer {
    explicit Recorder(std::shared_ptr<Clips> played) : played(std::move(played)) {}
    void PlayClip(std::int32_t from, std::int32_t to) override { played->emplace_back(from, to); }
    std::shared_ptr<Clips> played;
};

TEST(DeferredClipPlayer, ClipsAskedForBeforeItOpensStartInOrderOnceItHas) {
    auto played = std::make_shared<Clips>();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    {
        DeferredClipPlayer player([&] {
            released.wait();  // the device is still being opened
            return std::make_unique<Recorder>(played);
        });
        player.PlayClip(0, 100);  // before Open: waits
        player.Open();
        player.Open();  // a second call does not open a second player
        player.PlayClip(100, 200);
        EXPECT_TRUE(played->empty());
        release.set_value();
    }  // the destructor waits for the opening
    EXPECT_EQ(*played, (Clips{{0, 100}, {100, 200}}));
}

// Opening reads SDL and the speech file: not before someone asks for sound.
TEST(DeferredClipPlayer, OpensOnlyWhenPreparedOrWhenAClipIsAskedFor) {
    struct Case {
        const char* name;
        void (*use)(DeferredClipPlayer&);
        int openings;
        Clips played;
    };
    const Case cases[] = {
        {"untouched", [](DeferredClipPlayer&) {}, 0, {}},
        {"prepared twice", [](DeferredClipPlayer& p) { p.Prepare(), p.Prepare(); }, 1, {}},
        {"a clip", [](DeferredClipPlayer& p) { p.PlayClip(1, 2); }, 1, {{1, 2}}},
        {"prepared, then a clip",
         [](DeferredClipPlayer& p) {
             p.Prepare();
             p.PlayClip(1, 2);
         },
         1,
         {{1, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto played = std::make_shared<Clips>();
        int openings = 0;
        {
            DeferredClipPlayer player([&] {
                ++openings;
                return std::make_unique<Recorder>(played);
            });
            c.use(player);
        }
        EXPECT_EQ(openings, c.openings);
        EXPECT_EQ(*played, c.played);
    }
}

TEST(DeferredClipPlayer, KeepsFewClipsWhileClosedAndPlaysNothingWhenOpeningFails) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    DeferredClipPlayer player([&] {
        released.wait();
        return std::unique_ptr<ClipPlayer>();
    });
    for (int i = 0; i < 1000; ++i) player.PlayClip(i, i + 1);
    player.Open();
    release.set_value();
    player.PlayClip(0, 1);  // no crash on a player that never opened

    auto played = std::make_shared<Clips>();
    std::promise<void> releaseBounded;
    std::shared_future<void> boundedReleased = releaseBounded.get_future().share();
    {
        DeferredClipPlayer bounded([&] {
            boundedReleased.wait();
            return std::make_unique<Recorder>(played);
        });
        for (int i = 0; i < 1000; ++i) bounded.PlayClip(i, i + 1);
        releaseBounded.set_value();
    }
    ASSERT_EQ(played->size(), 16u);
    EXPECT_EQ(played->front(), (std::pair{0, 1}));
}

}  // namespace
}  // namespace tavrin
