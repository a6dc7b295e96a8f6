// Output to the sound card through SDL2.
#include "audio/device_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include <SDL.h>

#include "audio/mixer.h"
#include "audio/music_errors.h"

namespace music {

namespace {

SDL_AudioDeviceID g_device = 0;

void SDLCALL FillBuffer(void* /*user*/, Uint8* stream, int length) {
    // 16-bit stereo: four bytes a frame.
    MixerRender(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(length) / 4);
}

// Standard error goes nowhere while it lives. Opening a device makes the
// sound system's own libraries print their complaints there (eight lines from
// ALSA alone when there is no sound card); the reason that matters reaches the
// caller through the library's error text instead. Start-up is single-threaded
// here: nothing else writes to standard error meanwhile.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && nowhere >= 0) dup2(nowhere, STDERR_FILENO);
        if (nowhere >= 0) close(nowhere);
    }
    ~QuietStandardError() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

// SDL audio goes; SDL itself too when no other part of the program still uses it.
void ReleaseSdlAudio() {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

}  // namespace

int DeviceCallbackFrames(int bufferMs, int blocks) {
    if (bufferMs < 1) bufferMs = 1;
    if (blocks < 1) blocks = 1;
    const long frames = static_cast<long>(bufferMs) * kSampleRate / 1000 / blocks;
    int power = 256;
    // The nearest power of two: move up while the next one is nearer.
    while (power < 8192 && frames - power > 2L * power - frames) power *= 2;
    return power;
}

bool DeviceOpen(int bufferMs, int blocks) {
    if (g_device != 0) return true;
    QuietStandardError quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SetError(kErrorNoAudioDevice, "%s", SDL_GetError());
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = kSampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(DeviceCallbackFrames(bufferMs, blocks));
    wanted.callback = FillBuffer;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device really takes.
    g_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (g_device == 0) {
        SetError(kErrorNoAudioDevice, "%s", SDL_GetError());
        ReleaseSdlAudio();
        return false;
    }
    return true;
}

void DeviceStart() {
    if (g_device != 0) SDL_PauseAudioDevice(g_device, 0);
}

void DevicePause() {
    if (g_device != 0) SDL_PauseAudioDevice(g_device, 1);
}

void DeviceClose() {
    if (g_device == 0) return;
    SDL_CloseAudioDevice(g_device);
    g_device = 0;
    ReleaseSdlAudio();
}

}  // namespace music
