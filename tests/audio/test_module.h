// Writes the tiny module the music tests play: a 4-channel MOD ("M.K.") with
// one looped 8-bit square-wave sample and a single pattern that plays one note
// for four rows (about half a second at the default speed) and ends the song.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace audio_test {

inline void WriteTestModule(const std::filesystem::path& path) {
    constexpr size_t kPatternAt = 1084, kSampleBytes = 256;
    std::vector<uint8_t> mod(kPatternAt + 1024 + kSampleBytes, 0);
    for (int s = 0; s < 31; ++s) mod[20 + s * 30 + 29] = 1;  // empty samples: repeat length 1 word
    uint8_t* sample1 = &mod[20];
    sample1[22] = 0, sample1[23] = kSampleBytes / 2;  // length in words, big-endian
    sample1[25] = 64;                                 // full volume
    sample1[26] = 0, sample1[27] = 0;                 // loop from the start ...
    sample1[28] = 0, sample1[29] = kSampleBytes / 2;  // ... over the whole sample
    mod[950] = 1;                                     // song length: one order
    mod[951] = 127;                                   // restart byte
    mod[952] = 0;                                     // order 0: pattern 0
    mod[1080] = 'M', mod[1081] = '.', mod[1082] = 'K', mod[1083] = '.';
    const uint8_t note[4] = {0x01, 0xAC, 0x10, 0x00};  // sample 1, period 428, no effect
    std::copy(note, note + 4, &mod[kPatternAt]);       // row 0, channel 0
    mod[kPatternAt + (3 * 4 + 1) * 4 + 2] = 0x0D;      // row 3, channel 1: pattern break
    for (size_t i = 0; i < kSampleBytes; ++i)
        mod[kPatternAt + 1024 + i] = (i / 32) % 2 ? static_cast<uint8_t>(-100) : 100;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(mod.data()), mod.size());
}

}  // namespace audio_test
