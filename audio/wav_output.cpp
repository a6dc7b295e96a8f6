// Output to a WAV file in step with the program's clock.
#include "audio/wav_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include "audio/mixer.h"
#include "audio/music_errors.h"
#include "platform/platform.h"

namespace music {

namespace {

constexpr uint32_t kHeaderBytes = 44;
constexpr uint32_t kFrameBytes = 4;  // 16-bit stereo
// The RIFF size field (file size - 8) must fit 32 bits.
constexpr uint64_t kMaxFrames = (0xFFFFFFFFull - (kHeaderBytes - 8)) / kFrameBytes;
constexpr size_t kPumpFrames = 4096;
// The header's sizes are brought up to date after every second of sound, so a
// run that is killed leaves a file that is readable up to the last second.
constexpr uint64_t kHeaderRefreshFrames = kSampleRate;

bool g_open = false;     // mixing on the clock (into the file, the sound sink or both)
FILE* g_file = nullptr;  // the WAV file, when one was asked for
std::string g_path;
uint64_t g_framesWritten = 0;
uint64_t g_headerFrames = 0;  // the frame count the header on disk states
int g_failure = 0;            // errno of the first failed write (-1: the size limit), 0 if none
int16_t g_buffer[kPumpFrames * 2];

void PutLe16(unsigned char* at, uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void PutLe32(unsigned char* at, uint32_t value) {
    PutLe16(at, value & 0xFFFF);
    PutLe16(at + 2, value >> 16);
}

// Writes the header at the start of the file, past stdio's buffer and
// position, so it can be rewritten at any moment without a seek.
bool WriteHeader(uint64_t frames) {
    const uint32_t dataBytes = static_cast<uint32_t>(frames * kFrameBytes);
    unsigned char header[kHeaderBytes];
    std::memcpy(header, "RIFF", 4);
    PutLe32(header + 4, dataBytes + kHeaderBytes - 8);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLe32(header + 16, 16);  // format chunk size
    PutLe16(header + 20, 1);   // PCM
    PutLe16(header + 22, 2);   // channels
    PutLe32(header + 24, kSampleRate);
    PutLe32(header + 28, kSampleRate * kFrameBytes);  // bytes per second
    PutLe16(header + 32, kFrameBytes);                // block align
    PutLe16(header + 34, 16);                         // bits per sample
    std::memcpy(header + 36, "data", 4);
    PutLe32(header + 40, dataBytes);
    return pwrite(fileno(g_file), header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
}

// Marks the first failure: its errno is kept for the report at close, and the
// run's output is marked failed at once.
void Fail(int error) {
    if (!g_failure) g_failure = error;
    plat_SetOutputFailed();
}

// Pushes the sound written so far to the file, then the header stating it, so
// a process killed at any moment leaves a header that matches data already in
// the file.
bool RefreshHeader() {
    errno = 0;
    if (std::fflush(g_file) != 0 || !WriteHeader(g_framesWritten)) return false;
    g_headerFrames = g_framesWritten;
    return true;
}

// After a failed write the file may hold less than was handed to it (what
// stayed in the buffer) or a cut block: the header states the whole frames
// really in the file and the file is cut to them, so it stays readable.
void SettleAfterFailure() {
    __fpurge(g_file);  // what the file system refused must not go out at fclose
    struct stat info {};
    if (fstat(fileno(g_file), &info) != 0) return;
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    const uint64_t onDisk = size > kHeaderBytes ? (size - kHeaderBytes) / kFrameBytes : 0;
    if (onDisk < g_framesWritten) g_framesWritten = onDisk;
    // A file that cannot be cut keeps its extra bytes; the header still holds.
    (void)ftruncate(fileno(g_file), static_cast<off_t>(kHeaderBytes + g_framesWritten * kFrameBytes));
}

}  // namespace

bool WavOpen(const char* path) {
    if (g_open) return true;
    g_framesWritten = 0;
    g_headerFrames = 0;
    g_failure = 0;
    g_path = path ? path : "";
    if (g_path.empty()) {
        g_open = true;  // only the sound sink listens
        return true;
    }
    g_file = std::fopen(path, "wb");
    if (!g_file) {
        SetError(kErrorWavCreate, "%s: %s", path, std::strerror(errno));
        plat_SetOutputFailed();
        return false;
    }
    g_open = true;
    errno = 0;
    // The header goes in through stdio first, so the sound follows it.
    unsigned char blank[kHeaderBytes] = {};
    if (std::fwrite(blank, sizeof blank, 1, g_file) != 1 || std::fflush(g_file) != 0 || !WriteHeader(0))
        Fail(errno ? errno : EIO);
    return true;
}

bool WavIsOpen() { return g_open; }

uint64_t WavClockFrames() {
    const uint64_t ms = plat_Milliseconds();
    const int fps = plat_GetOptions()->fixedFps;
    if (fps <= 0) return ms * kSampleRate / 1000;
    const uint64_t frames = static_cast<uint64_t>(plat_PresentedFrames());
    const uint64_t framesMs = frames * 1000 / static_cast<uint64_t>(fps);
    const uint64_t waitedMs = ms > framesMs ? ms - framesMs : 0;
    return frames * kSampleRate / static_cast<uint64_t>(fps) + waitedMs * kSampleRate / 1000;
}

void WavPump(uint64_t owed) {
    if (!g_open) return;
    const PlatSoundSink sink = plat_GetSoundSink();
    // A file that failed is written no more; a sink still takes the sound.
    const bool toFile = g_file && !g_failure;
    if (!toFile && !sink) return;
    const bool overLimit = g_file && owed > kMaxFrames;
    if (overLimit) owed = kMaxFrames;
    while (g_framesWritten < owed) {
        const size_t frames = static_cast<size_t>(std::min<uint64_t>(owed - g_framesWritten, kPumpFrames));
        MixerRender(g_buffer, frames);
        if (sink) sink(g_buffer, frames);
        // The file is little-endian, as is every machine this runs on.
        errno = 0;
        if (toFile && !g_failure && std::fwrite(g_buffer, kFrameBytes, frames, g_file) != frames) {
            Fail(errno ? errno : EIO);
            if (!sink) return;
        }
        g_framesWritten += frames;
    }
    if (!toFile || g_failure) return;
    if (g_framesWritten >= g_headerFrames + kHeaderRefreshFrames && !RefreshHeader()) {
        Fail(errno ? errno : EIO);
        return;
    }
    if (overLimit) Fail(-1);
}

bool WavClose(uint64_t owed) {
    if (!g_open) return true;
    WavPump(owed);
    g_open = false;
    if (!g_file) return true;
    errno = 0;
    if (std::fflush(g_file) != 0) Fail(errno ? errno : EIO);
    if (g_failure) SettleAfterFailure();
    errno = 0;
    if (!WriteHeader(g_framesWritten)) Fail(errno ? errno : EIO);
    errno = 0;
    if (std::fclose(g_file) != 0) Fail(errno ? errno : EIO);
    g_file = nullptr;
    if (g_failure == -1) {
        SetError(kErrorWavWrite, "%s: longer than a WAV file can hold, cut after %llu frames", g_path.c_str(),
                 static_cast<unsigned long long>(g_framesWritten));
    } else if (g_failure) {
        SetError(kErrorWavWrite, "%s: %s", g_path.c_str(), std::strerror(g_failure));
    }
    return g_failure == 0;
}

}  // namespace music
