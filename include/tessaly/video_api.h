// The video recorder (libt7video.so): encodes the program's captured frames
// and its clocked music mix into one video file with sound, through FFmpeg's
// libraries. The file's kind follows its extension: ".mkv" Matroska, ".mp4"
// MP4 (written in fragments, so a file cut short stays playable). Pictures are
// H.264 when the installed library has an encoder for it (MPEG-4 part 2
// otherwise), sound AAC at 192 kbit/s.
//
// All calls come from the program's main thread; encoding and writing run on
// the recorder's own thread, fed through a bounded queue: the caller waits
// only when the queue is full.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tessaly/export.h"

struct VideoSettings {
    const char* path;  // the file to write; set by the launcher, copied by vid_Open
    int fps;           // frames per second of the picture (the fixed clock's rate), 1 to 1000
    int quality;       // H.264 constant rate factor, 0 (best) to 51; -1 for the default 23
    int progress;      // 1: one progress line a second of wall time on standard output
};

// Checks the settings, creates the file and starts the recorder's thread; the
// streams are set up when the first frame gives the picture size. Returns 0,
// or -1 with a one-line reason in error.
TESSALY_EXPORT int vid_Open(const VideoSettings* settings, char* error, size_t errorSize);
// One picture (24-bit blue-green-red rows of pitch bytes) that fills copies
// consecutive frames of the video. Shaped as the platform's frame sink.
TESSALY_EXPORT void vid_AddFrame(const uint8_t* bgr, int width, int height, int pitch, long copies);
// Sound, 44.1 kHz 16-bit stereo interleaved, following what came before.
// Shaped as the platform's sound sink.
TESSALY_EXPORT void vid_AddSound(const int16_t* stereo, size_t frames);
// Pads the sound with silence to the picture's length, drains the queue,
// finishes the file and stops the thread. Returns 0, or -1 when the recording
// failed (already reported on standard error). Harmless when nothing is open.
TESSALY_EXPORT int vid_Close(void);
// 1 once the recording has failed (a write or the encoder); the failure is
// reported once on standard error, the run's output is marked failed and a
// close message is posted, so the program ends and vid_Close finishes what
// was written.
TESSALY_EXPORT int vid_Failed(void);
