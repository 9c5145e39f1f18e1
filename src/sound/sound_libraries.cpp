// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sound_libraries.h"

#include <dlfcn.h>

#include <optional>

namespace tavrin {

namespace {

template <typename Table>
struct Loaded {
    std::optional<Table> table;
    std::string error;
};

// The run-time names of the libraries Debian's libsdl2-2.0-0 and libsndfile1 install.
constexpr const char* kSdlSoname = "libSDL2-2.0.so.0";
constexpr const char* kSndfileSoname = "libsndfile.so.1";

class Library {
public:
    explicit Library(const char* soname) : soname_(soname) {
        // Never closed: SDL's threads and atexit hooks may outlive any owner here.
        handle_ = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
        if (!handle_) error_ = std::string("cannot load ") + soname + " (" + dlerror() + ")";
    }

    template <typename Function>
    Library& Bind(const char* name, Function& slot) {
        slot = nullptr;
        if (!handle_ || !error_.empty()) return *this;
        slot = reinterpret_cast<Function>(dlsym(handle_, name));
        if (!slot) error_ = std::string(soname_) + " lacks " + name;
        return *this;
    }

    const std::string& Error() const { return error_; }

private:
    const char* soname_;
    void* handle_ = nullptr;
    std::string error_;
};

// Opens the library and fills the table once per process; bind names the table's functions.
template <typename Table, typename BindAll>
const Table* LoadOnce(const char* soname, BindAll bind, std::string* error) {
    static const Loaded<Table> loaded = [&] {
        Table table{};
        Library library(soname);
        bind(library, table);
        if (!library.Error().empty()) return Loaded<Table>{std::nullopt, library.Error()};
        return Loaded<Table>{table, {}};
    }();
    if (!loaded.table && error) *error = loaded.error;
    return loaded.table ? &*loaded.table : nullptr;
}

}  // namespace

const SdlLibrary* LoadSdl(std::string* error) {
    return LoadOnce<SdlLibrary>(
        kSdlSoname,
        [](Library& library, SdlLibrary& sdl) {
            library.Bind("SDL_SetHint", sdl.SetHint)
                .Bind("SDL_AudioInit", sdl.AudioInit)
                .Bind("SDL_AudioQuit", sdl.AudioQuit)
                .Bind("SDL_OpenAudioDevice", sdl.OpenAudioDevice)
                .Bind("SDL_PauseAudioDevice", sdl.PauseAudioDevice)
                .Bind("SDL_GetAudioDeviceStatus", sdl.GetAudioDeviceStatus)
                .Bind("SDL_LockAudioDevice", sdl.LockAudioDevice)
                .Bind("SDL_UnlockAudioDevice", sdl.UnlockAudioDevice)
                .Bind("SDL_CloseAudioDevice", sdl.CloseAudioDevice)
                .Bind("SDL_GetError", sdl.GetError)
                .Bind("SDL_GetCurrentAudioDriver", sdl.GetCurrentAudioDriver);
        },
        error);
}

const SndfileLibrary* LoadSndfile(std::string* error) {
    return LoadOnce<SndfileLibrary>(
        kSndfileSoname,
        [](Library& library, SndfileLibrary& sndfile) {
            library.Bind("sf_open", sndfile.Open)
                .Bind("sf_close", sndfile.Close)
                .Bind("sf_readf_short", sndfile.ReadFramesShort)
                .Bind("sf_strerror", sndfile.Error);
        },
        error);
}

}  // namespace tavrin
