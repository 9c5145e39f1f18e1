// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <ostream>

namespace tavrin {

// Reads the command line before anything needs a display. Returns the exit status when the
// program should end without starting (help, version, a wrong argument), or nothing when the
// face should start. Writes what it has to say to `out` and complaints to `err`.
std::optional<int> HandleCommandLine(int argc, const char* const argv[], std::ostream& out,
                                     std::ostream& err);

}  // namespace tavrin
