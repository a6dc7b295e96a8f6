// The mixer: the modules now playing, rendered together into 44.1 kHz 16-bit
// stereo. The main thread starts and stops plays; the output (SDL's audio
// thread, or the WAV writer) renders. One mutex guards everything here.
#pragma once

#include <cstddef>
#include <cstdint>

struct openmpt_module;

namespace music {

constexpr int kSampleRate = 44100;
constexpr int kMaxPlaying = 8;

// Starts a module from its beginning, looping forever or playing once. A module
// already playing is restarted and its earlier play id is ended. Returns the
// play id (never reused), or 0 when all play slots are taken.
uintptr_t MixerPlay(openmpt_module* module, bool loop);
// Ends a play; false when the id is not playing.
bool MixerStop(uintptr_t playId);
void MixerStopAll();
// While not running the output renders silence and nothing advances.
void MixerSetRunning(bool running);
// Renders frames stereo frames (2 * frames samples) into out.
void MixerRender(int16_t* out, size_t frames);

}  // namespace music
