// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace tavrin {

// Where the sound server that SDL's `driver` talks to listens, from the environment a client
// of it reads: "pipewire" and "pulseaudio"; empty for any other driver, or a server reached
// other than through a local socket.
std::string ServerSocketPath(const std::string& driver);

// Whether a server listens at the socket `path`: a connection is taken, or waits in a full
// queue. A server that hangs still has the kernel take connections for it; a killed one leaves
// its socket file behind, or none, and either way refuses. Never blocks.
bool ServerListens(const std::string& path);

// The socket file itself: a server started again makes a new one at the same path, often
// with the inode number of the old one, but never at the same moment.
struct SocketFile {
    dev_t device = 0;
    ino_t inode = 0;
    long long changedSeconds = 0;
    long changedNanoseconds = 0;
    bool operator==(const SocketFile&) const = default;
};
std::optional<SocketFile> SocketFileAt(const std::string& path);

// Whether the server that had made `then` still has it and listens on it, answering or hung.
// False once it was killed, whether or not another has started in its place.
bool SameServerListens(const std::string& path, const std::optional<SocketFile>& then);

// True when PipeWire, not PulseAudio, is the server here: its socket listens.
bool PipeWireIsTheServer();

}  // namespace tavrin
