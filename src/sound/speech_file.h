// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrin {

// The speech file decoded into memory: mono 16-bit samples at the file's own rate.
struct SpeechFile {
    int rate = 0;
    std::vector<std::int16_t> samples;

    std::int64_t LengthMs() const {
        return rate > 0 ? static_cast<std::int64_t>(samples.size()) * 1000 / rate : 0;
    }
};

// Decodes the whole file at path, whatever its name, recognising the format from
// its content. On failure returns nothing and says why in *error (one short phrase,
// without a trailing full stop). Several channels are mixed down to one.
std::optional<SpeechFile> DecodeSpeechFile(const std::string& path, std::string* error);

}  // namespace tavrin
