// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/speech_file.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "sound/sound_libraries.h"

namespace tavrin {

namespace {

// Far more than any speech file needs; it stops a wrong file from eating the memory.
constexpr std::uintmax_t kLargestFileBytes = 64u << 20;
constexpr int kLongestMinutes = 10;
constexpr sf_count_t kBlockFrames = 8192;

struct SndFileCloser {
    const SndfileLibrary* sndfile;
    void operator()(SNDFILE* file) const { sndfile->Close(file); }
};

bool Fail(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return false;
}

}  // namespace

std::optional<SpeechFile> DecodeSpeechFile(const std::string& path, std::string* error) {
    // libsndfile would block on a pipe and fail obscurely on a folder: look first.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        Fail(error, path + " is missing");
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        Fail(error, path + " is not a file");
        return std::nullopt;
    }
    const auto bytes = std::filesystem::file_size(path, ec);
    if (ec || bytes == 0) {
        Fail(error, path + " is empty");
        return std::nullopt;
    }
    if (bytes > kLargestFileBytes) {
        Fail(error, path + " is too large to be the speech file");
        return std::nullopt;
    }

    std::string missing;
    const SndfileLibrary* sndfile = LoadSndfile(&missing);
    if (!sndfile) {
        Fail(error, missing);
        return std::nullopt;
    }
    SF_INFO info{};  // format 0: libsndfile works it out from the content
    std::unique_ptr<SNDFILE, SndFileCloser> file(sndfile->Open(path.c_str(), SFM_READ, &info),
                                                 SndFileCloser{sndfile});
    if (!file) {
        Fail(error, path + " is not a sound file libsndfile can read (" +
                        sndfile->Error(nullptr) + ")");
        return std::nullopt;
    }
    if (info.channels < 1 || info.channels > 8 || info.samplerate < 1000 ||
        info.samplerate > 384000) {
        Fail(error, path + " has an unusable format");
        return std::nullopt;
    }
    if (info.frames <= 0) {
        Fail(error, path + " holds no sound");
        return std::nullopt;
    }

    // The header's frame count can promise more than a truncated file holds, so
    // read in blocks and keep what actually arrives; the cap keeps a lying header
    // from making us allocate without bound.
    SpeechFile speech;
    speech.rate = info.samplerate;
    const int channels = info.channels;
    const sf_count_t most =
        std::min<sf_count_t>(info.frames, sf_count_t{kLongestMinutes} * 60 * info.samplerate);
    // Reserve no more than the file's size: a header is only a promise, and a
    // few hundred bytes may claim hundreds of millions of frames.
    speech.samples.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(most, bytes)));
    std::vector<short> block(static_cast<std::size_t>(kBlockFrames * channels));
    while (static_cast<sf_count_t>(speech.samples.size()) < most) {
        const std::size_t have = speech.samples.size();
        // Never past the frames promised: a last block reaching beyond them would double the
        // reserved memory for a few hundred samples.
        const sf_count_t want =
            std::min<sf_count_t>(kBlockFrames, most - static_cast<sf_count_t>(have));
        if (channels == 1) {
            speech.samples.resize(have + static_cast<std::size_t>(want));
            const sf_count_t got =
                sndfile->ReadFramesShort(file.get(), speech.samples.data() + have, want);
            speech.samples.resize(have + static_cast<std::size_t>(std::max<sf_count_t>(got, 0)));
            if (got <= 0) break;
            continue;
        }
        const sf_count_t got = sndfile->ReadFramesShort(file.get(), block.data(), want);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got; ++f) {
            int sum = 0;
            for (int c = 0; c < channels; ++c) {
                sum += block[static_cast<std::size_t>(f * channels + c)];
            }
            speech.samples.push_back(static_cast<std::int16_t>(sum / channels));
        }
    }
    if (static_cast<sf_count_t>(speech.samples.size()) > most) {
        speech.samples.resize(static_cast<std::size_t>(most));
    }
    if (speech.samples.empty()) {
        Fail(error, path + " holds no sound");
        return std::nullopt;
    }
    return speech;
}

}  // namespace tavrin
