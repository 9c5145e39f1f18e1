// SPDX-License-Identifier: GPL-3.0-or-later
// Telling a dead sound server from a hung one by its socket, and finding that socket as the
// server's own clients do.
#include "sound/server_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavrin {
namespace {

namespace fs = std::filesystem;

// Sets or clears the variables for one case, and restores them after it.
class ScopedEnvironment {
public:
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second ? setenv(it->first, it->second->c_str(), 1) : unsetenv(it->first);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(ServerSocket, IsFoundWhereTheServersOwnClientsLook) {
    struct Case {
        const char* driver;
        const char* runtime;
        const char* pipewireRemote;
        const char* pipewireRuntime;
        const char* pulseServer;
        const char* pulseRuntime;
        std::string want;
    };
    const Case cases[] = {
        {"pipewire", "/run/user/7", nullptr, nullptr, nullptr, nullptr, "/run/user/7/pipewire-0"},
        {"pipewire", "/run/user/7", "other", nullptr, nullptr, nullptr, "/run/user/7/other"},
        {"pipewire", "/run/user/7", "/tmp/pw", nullptr, nullptr, nullptr, "/tmp/pw"},
        {"pipewire", "/run/user/7", nullptr, "/srv/pw", nullptr, nullptr, "/srv/pw/pipewire-0"},
        {"pipewire", nullptr, nullptr, nullptr, nullptr, nullptr, ""},
        {"pulseaudio", "/run/user/7", nullptr, nullptr, nullptr, nullptr,
         "/run/user/7/pulse/native"},
        {"pulseaudio", "/run/user/7", nullptr, nullptr, "unix:/tmp/pa", nullptr, "/tmp/pa"},
        {"pulseaudio", "/run/user/7", nullptr, nullptr, "/tmp/pa", nullptr, "/tmp/pa"},
        {"pulseaudio", "/run/user/7", nullptr, nullptr, "tcp:host:4713", nullptr, ""},
        {"pulseaudio", "/run/user/7", nullptr, nullptr, nullptr, "/srv/pa", "/srv/pa/native"},
        {"alsa", "/run/user/7", nullptr, nullptr, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        ScopedEnvironment environment;
        environment.Set("XDG_RUNTIME_DIR", c.runtime);
        environment.Set("PIPEWIRE_REMOTE", c.pipewireRemote);
        environment.Set("PIPEWIRE_RUNTIME_DIR", c.pipewireRuntime);
        environment.Set("PULSE_SERVER", c.pulseServer);
        environment.Set("PULSE_RUNTIME_PATH", c.pulseRuntime);
        EXPECT_EQ(ServerSocketPath(c.driver), c.want) << c.driver;
    }
}

// A listening socket at `path`; -1 when it cannot be made.
int Listen(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 1) != 0)
        return -1;
    return fd;
}

TEST(ServerSocket, AHungServerStillListensAndADeadOneDoesNot) {
    const fs::path folder =
        fs::temp_directory_path() / ("tavrin-socket-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "native").string();

    EXPECT_FALSE(ServerListens(path)) << "no socket at all";
    EXPECT_FALSE(SocketFileAt(path));
    const int server = Listen(path);
    ASSERT_GE(server, 0);
    const auto opened = SocketFileAt(path);
    ASSERT_TRUE(opened);
    // It never accepts, as a stopped server does not: connections wait, then the queue fills.
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(ServerListens(path)) << "hung, try " << i;
        EXPECT_TRUE(SameServerListens(path, opened)) << "hung, try " << i;
    }
    close(server);
    ASSERT_TRUE(fs::exists(path));
    EXPECT_FALSE(ServerListens(path)) << "the socket file a killed server leaves behind";
    EXPECT_FALSE(SameServerListens(path, opened));
    EXPECT_FALSE(ServerListens(""));

    // Killed and started again before anyone noticed: a new socket at the same path.
    fs::remove(path);
    const int restarted = Listen(path);
    ASSERT_GE(restarted, 0);
    EXPECT_TRUE(ServerListens(path));
    EXPECT_FALSE(SameServerListens(path, opened)) << "another server now";
    EXPECT_TRUE(SameServerListens(path, SocketFileAt(path)));
    close(restarted);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tavrin
