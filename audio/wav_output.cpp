// Output to a WAV file in step with the program's clock.
#include "audio/wav_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

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

FILE* g_file = nullptr;
std::string g_path;
uint64_t g_framesWritten = 0;
int g_failure = 0;  // errno of the first failed write (-1: the size limit), 0 if none
int16_t g_buffer[kPumpFrames * 2];

void PutLe16(unsigned char* at, uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void PutLe32(unsigned char* at, uint32_t value) {
    PutLe16(at, value & 0xFFFF);
    PutLe16(at + 2, value >> 16);
}

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
    return std::fwrite(header, sizeof header, 1, g_file) == 1;
}

}  // namespace

bool WavOpen(const char* path) {
    if (g_file) return true;
    g_file = std::fopen(path, "wb");
    if (!g_file) {
        SetError(kErrorWavCreate, "%s: %s", path, std::strerror(errno));
        return false;
    }
    g_path = path;
    g_framesWritten = 0;
    g_failure = 0;
    errno = 0;
    if (!WriteHeader(0)) g_failure = errno ? errno : EIO;
    return true;
}

bool WavIsOpen() { return g_file != nullptr; }

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
    if (!g_file || g_failure) return;
    const bool overLimit = owed > kMaxFrames;
    if (overLimit) owed = kMaxFrames;
    while (g_framesWritten < owed) {
        const size_t frames = static_cast<size_t>(std::min<uint64_t>(owed - g_framesWritten, kPumpFrames));
        MixerRender(g_buffer, frames);
        // The file is little-endian, as is every machine this runs on.
        errno = 0;
        if (std::fwrite(g_buffer, kFrameBytes, frames, g_file) != frames) {
            g_failure = errno ? errno : EIO;
            return;
        }
        g_framesWritten += frames;
    }
    if (overLimit) g_failure = -1;
}

bool WavClose(uint64_t owed) {
    if (!g_file) return true;
    WavPump(owed);
    errno = 0;
    bool ok = std::fseek(g_file, 0, SEEK_SET) == 0 && WriteHeader(g_framesWritten);
    if (!ok && !g_failure) g_failure = errno ? errno : EIO;
    if (std::fclose(g_file) != 0 && !g_failure) g_failure = errno ? errno : EIO;
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
