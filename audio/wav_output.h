// Output to a WAV file (44.1 kHz 16-bit stereo) in step with the program's
// clock: the file holds one stereo frame per 1/44100 s of the clock, counted
// from its zero, silence wherever nothing played.
#pragma once

#include <cstdint>

namespace music {

// Starts mixing on the clock: creates the file (path null or empty: no file,
// the mix goes only to the platform's sound sink) with a provisional header.
// False after recording the error. Every rendered block also goes to the
// sound sink when one is set.
bool WavOpen(const char* path);
bool WavIsOpen();
// Stereo frames the file owes at the clock's present reading. On the fixed-
// step clock they come from the presented frames themselves (N frames at F a
// second are N * 44100 / F, with no millisecond rounding) plus the waits the
// clock jumped, which the program makes in whole seconds.
uint64_t WavClockFrames();
// Renders the frames owed up to the given count; after every second of sound
// the header's sizes are rewritten (and the file flushed), so a killed run
// leaves a readable file. A write failure is kept for WavClose and marks the
// run's output as failed at once.
void WavPump(uint64_t owedFrames);
// Renders up to the given count, writes the header's sizes and closes the
// file. False, with the error recorded, when any write failed.
bool WavClose(uint64_t owedFrames);

}  // namespace music
