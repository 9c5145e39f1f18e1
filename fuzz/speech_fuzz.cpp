// SPDX-License-Identifier: GPL-3.0-or-later
// The speech decoder on any bytes: no fault, and no more memory than the file
// can fill.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sound/speech_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/tavrin-speech-fuzz-" +
        std::to_string(getpid());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    const auto speech = tavrin::DecodeSpeechFile(path, nullptr);
    if (speech) {
        if (speech->samples.empty() || speech->rate < 1000) std::abort();
        const std::size_t bound = std::max(size, 2 * speech->samples.size() + 8192);
        if (speech->samples.capacity() > bound) std::abort();
    }
    return 0;
}
