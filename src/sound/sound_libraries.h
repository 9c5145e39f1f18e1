// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <SDL.h>
#include <sndfile.h>

#include <string>

namespace tavrin {

// SDL and libsndfile are opened on first use, not by the loader before main: with the thirty-odd
// libraries they bring (X11 and Wayland clients, PulseAudio, codecs) they were a third of what a
// cold start read before the face could appear. The thread that decodes the speech file opens
// them, beside the window's construction.
struct SdlLibrary {
    decltype(&::SDL_SetHint) SetHint;
    decltype(&::SDL_AudioInit) AudioInit;
    decltype(&::SDL_AudioQuit) AudioQuit;
    decltype(&::SDL_OpenAudioDevice) OpenAudioDevice;
    decltype(&::SDL_PauseAudioDevice) PauseAudioDevice;
    decltype(&::SDL_GetAudioDeviceStatus) GetAudioDeviceStatus;
    decltype(&::SDL_LockAudioDevice) LockAudioDevice;
    decltype(&::SDL_UnlockAudioDevice) UnlockAudioDevice;
    decltype(&::SDL_CloseAudioDevice) CloseAudioDevice;
    decltype(&::SDL_GetError) GetError;
    decltype(&::SDL_GetCurrentAudioDriver) GetCurrentAudioDriver;
};

struct SndfileLibrary {
    decltype(&::sf_open) Open;
    decltype(&::sf_close) Close;
    decltype(&::sf_readf_short) ReadFramesShort;
    decltype(&::sf_strerror) Error;
};

// Loaded once for the whole process and kept; safe from any thread. Null, with the reason
// in *error, when the library or one of its functions cannot be found.
const SdlLibrary* LoadSdl(std::string* error);
const SndfileLibrary* LoadSndfile(std::string* error);

}  // namespace tavrin
