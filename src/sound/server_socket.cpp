// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/server_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tavrin {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string ServerSocketPath(const std::string& driver) {
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    if (driver == "pipewire") {
        // PIPEWIRE_REMOTE names the socket, within PIPEWIRE_RUNTIME_DIR or the runtime folder.
        std::string remote = Environment("PIPEWIRE_REMOTE");
        if (remote.empty()) remote = "pipewire-0";
        if (remote.front() == '/') return remote;
        std::string folder = Environment("PIPEWIRE_RUNTIME_DIR");
        if (folder.empty()) folder = runtime;
        return folder.empty() ? "" : folder + "/" + remote;
    }
    if (driver == "pulseaudio") {
        const std::string server = Environment("PULSE_SERVER");
        if (server.rfind("unix:", 0) == 0) return server.substr(5);
        if (!server.empty() && server.front() == '/') return server;
        // A server elsewhere (tcp:, a host name, a list) has no socket here to look at.
        if (!server.empty()) return "";
        const std::string folder = Environment("PULSE_RUNTIME_PATH");
        if (!folder.empty()) return folder + "/native";
        return runtime.empty() ? "" : runtime + "/pulse/native";
    }
    return "";
}

bool ServerListens(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool listens =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
        errno == EAGAIN || errno == EINPROGRESS;
    close(fd);
    return listens;
}

std::optional<SocketFile> SocketFileAt(const std::string& path) {
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode))
        return std::nullopt;
    return SocketFile{status.st_dev, status.st_ino, status.st_ctim.tv_sec, status.st_ctim.tv_nsec};
}

bool SameServerListens(const std::string& path, const std::optional<SocketFile>& then) {
    return then && SocketFileAt(path) == then && ServerListens(path);
}

bool PipeWireIsTheServer() { return ServerListens(ServerSocketPath("pipewire")); }

}  // namespace tavrin
