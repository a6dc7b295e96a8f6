// The music library's exported calls: the library's state from start-up to
// close, and which output (sound card or WAV file) plays the mix.
#include "tessaly/music_api.h"

#include <cstdlib>

#include "audio/device_output.h"
#include "audio/mixer.h"
#include "audio/module_store.h"
#include "audio/music_errors.h"
#include "audio/wav_output.h"
#include "platform/platform.h"

using namespace music;

namespace {

constexpr int kDefaultBufferMs = 100;
constexpr int kDefaultBlocks = 4;

struct LibraryState {
    bool started = false;      // MIDASstartup was called and MIDASclose not since
    bool initialised = false;  // an output is open
    bool toWav = false;        // ... and it is the WAV file
    int bufferMs = kDefaultBufferMs;
    int blocks = kDefaultBlocks;
};

LibraryState g_state;

// The WAV file follows the clock on every call and every presented frame.
void CatchUpWav() {
    if (g_state.toWav) WavPump(WavClockFrames());
}

void FrameHook(void) { CatchUpWav(); }

// A program that ends without closing the library (a quit message skips the
// shutdown) still leaves a complete WAV file (sizes written, up to the clock),
// and the audio thread stops before the process takes its data away.
void FinishOutputAtExit() {
    DeviceClose();
    if (!WavIsOpen()) return;
    plat_SetFrameHook(nullptr);
    WavClose(WavClockFrames());
}

bool RequireStarted() {
    if (g_state.started) return true;
    SetError(kErrorNotStarted, nullptr);
    return false;
}

bool RequireInitialised() {
    if (!RequireStarted()) return false;
    if (g_state.initialised) return true;
    SetError(kErrorNotInitialised, nullptr);
    return false;
}

// Stops the output and frees everything; false when the WAV file could not be
// written completely.
bool ReleaseAll() {
    bool ok = true;
    if (g_state.toWav) {
        plat_SetFrameHook(nullptr);
        ok = WavClose(WavClockFrames());
    }
    DeviceClose();
    MixerSetRunning(false);
    MixerStopAll();
    FreeAllModules();
    g_state = LibraryState{};
    return ok;
}

MIDASmodule ModuleHandle(uintptr_t id) { return reinterpret_cast<MIDASmodule>(id); }
MIDASmodulePlayHandle PlayHandle(uintptr_t id) { return reinterpret_cast<MIDASmodulePlayHandle>(id); }

}  // namespace

int MIDASstartup(void) {
    if (g_state.started) ReleaseAll();
    g_state = LibraryState{};
    g_state.started = true;
    ClearError();
    return 1;
}

// The buffer options shape the sound-card output opened by the next MIDASinit.
int MIDASsetOption(int option, int value) {
    if (!RequireStarted()) return 0;
    switch (option) {
        case MIDAS_OPTION_MIXBUFLEN:
            if (value < 10 || value > 2000) {
                SetError(kErrorBadOptionValue, "mixing-buffer length %d ms (10 - 2000)", value);
                return 0;
            }
            g_state.bufferMs = value;
            return 1;
        case MIDAS_OPTION_MIXBUFBLOCKS:
            if (value < 1 || value > 64) {
                SetError(kErrorBadOptionValue, "mixing-buffer blocks %d (1 - 64)", value);
                return 0;
            }
            g_state.blocks = value;
            return 1;
        default:
            SetError(kErrorUnknownOption, "%d", option);
            return 0;
    }
}

int MIDASinit(void) {
    if (!RequireStarted()) return 0;
    if (g_state.initialised) {
        SetError(kErrorAlreadyInitialised, nullptr);
        return 0;
    }
    MixerSetRunning(false);
    static bool exitHandlerSet = false;
    if (!exitHandlerSet) exitHandlerSet = std::atexit(FinishOutputAtExit) == 0;
    const char* wavPath = plat_GetOptions()->audioOut;
    const bool toWav = wavPath && wavPath[0];
    if (toWav || plat_GetSoundSink()) {
        // On the clock: into the WAV file and/or the sound sink (the video
        // recorder), never to a device.
        if (!WavOpen(toWav ? wavPath : nullptr)) return 0;
        g_state.toWav = true;
        plat_SetFrameHook(FrameHook);
    } else if (plat_IsHeadless()) {
        // A headless run without a WAV file has nowhere to sound: the library
        // works as usual and its mix goes nowhere, so no audio device is
        // opened and nothing is reported.
    } else if (!DeviceOpen(g_state.bufferMs, g_state.blocks)) {
        return 0;
    }
    g_state.initialised = true;
    CatchUpWav();
    return 1;
}

int MIDASstartBackgroundPlay(unsigned /*pollRate: the output pulls the mix itself*/) {
    if (!RequireInitialised()) return 0;
    CatchUpWav();
    MixerSetRunning(true);
    DeviceStart();
    return 1;
}

MIDASmodule MIDASloadModule(const char* fileName) {
    if (!RequireStarted()) return nullptr;
    CatchUpWav();
    return ModuleHandle(LoadModule(fileName));
}

MIDASmodulePlayHandle MIDASplayModule(MIDASmodule module, int loopSong) {
    if (!RequireStarted()) return nullptr;
    openmpt_module* decoded = FindModule(reinterpret_cast<uintptr_t>(module));
    if (!decoded) {
        SetError(kErrorBadModule, nullptr);
        return nullptr;
    }
    CatchUpWav();
    const uintptr_t play = MixerPlay(decoded, loopSong != 0);
    if (play == 0) SetError(kErrorTooManyPlaying, "at most %d at once", kMaxPlaying);
    return PlayHandle(play);
}

int MIDASstopModule(MIDASmodulePlayHandle playHandle) {
    if (!RequireStarted()) return 0;
    CatchUpWav();
    if (!MixerStop(reinterpret_cast<uintptr_t>(playHandle))) {
        SetError(kErrorBadPlayHandle, nullptr);
        return 0;
    }
    return 1;
}

// Nothing plays in the background of a library that is closed or has no
// output, so stopping there succeeds: the program's shutdown after an earlier
// failure (which closed the library) has nothing more to report.
int MIDASstopBackgroundPlay(void) {
    if (!g_state.started || !g_state.initialised) return 1;
    CatchUpWav();
    DevicePause();
    MixerSetRunning(false);
    MixerStopAll();
    return 1;
}

int MIDASclose(void) {
    if (!g_state.started) return 1;  // closed already, or never started
    return ReleaseAll() ? 1 : 0;
}

int MIDASgetLastError(void) { return LastError(); }

const char* MIDASgetErrorMessage(int errorCode) { return ErrorMessage(errorCode); }
