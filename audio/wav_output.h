// Output to a WAV file (44.1 kHz 16-bit stereo) in step with the program's
// clock: the file holds one stereo frame per 1/44100 s of plat_Milliseconds(),
// counted from the clock's zero, silence wherever nothing played.
#pragma once

#include <cstdint>

namespace music {

// Creates the file with a provisional header. False after recording the error.
bool WavOpen(const char* path);
bool WavIsOpen();
// Renders the frames owed up to nowMs. A write failure is kept for WavClose.
void WavPump(uint32_t nowMs);
// Renders up to nowMs, writes the header's sizes and closes the file. False,
// with the error recorded, when any write failed.
bool WavClose(uint32_t nowMs);

}  // namespace music
