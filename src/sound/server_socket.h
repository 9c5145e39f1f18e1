// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

// True when PipeWire, not PulseAudio, is the server here: its socket listens.
bool PipeWireIsTheServer();

}  // namespace tavrin
