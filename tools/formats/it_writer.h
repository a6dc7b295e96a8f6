// Impulse Tracker modules (.it): header, order list, instruments (or the
// samples-only mode), 8- or 16-bit PCM samples and packed patterns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace demo {

constexpr int kItMaxChannels = 64;
constexpr int kItNoteOff = 255;
constexpr int kItNoteCut = 254;

struct ItSample {
    std::string name;
    std::vector<int16_t> pcm;  // mono; stored with 8 bits unless sixteenBit
    bool sixteenBit = false;
    uint32_t c5Speed = 8363;  // sample rate that plays note C-5
    bool loop = false;
    uint32_t loopStart = 0, loopEnd = 0;  // in samples, end exclusive
    uint8_t volume = 64;                  // default volume 0..64
};

struct ItEnvelopePoint {
    int tick;
    int value;  // 0..64 for volume
};

struct ItInstrument {
    std::string name;
    int sample = 1;     // 1-based sample played over the whole keyboard
    int fadeOut = 256;  // 0..1024, subtracted from the fade per tick after note off
    uint8_t globalVolume = 128;
    std::vector<ItEnvelopePoint> volumeEnvelope;  // empty: no envelope
    int sustainPoint = -1;                        // envelope point held while the note is on
};

// One cell of a pattern; negative fields are empty.
struct ItCell {
    int note = -1;       // 0..119 (60 is C-5), or kItNoteOff / kItNoteCut
    int instrument = 0;  // 1-based, 0 for none
    int volume = -1;     // volume column 0..64
    int command = 0;     // effect letter as a number (A = 1), 0 for none
    int parameter = 0;
};

class ItPattern {
public:
    ItPattern(int rows, int channels) : rows_(rows), channels_(channels), cells_(size_t(rows) * channels) {}
    int Rows() const { return rows_; }
    int Channels() const { return channels_; }
    ItCell& At(int row, int channel) { return cells_.at(size_t(row) * channels_ + channel); }
    const ItCell& At(int row, int channel) const { return cells_.at(size_t(row) * channels_ + channel); }

private:
    int rows_, channels_;
    std::vector<ItCell> cells_;
};

struct ItModule {
    std::string name;
    int speed = 6;    // ticks per row
    int tempo = 125;  // beats per minute (a tick lasts 2.5 / tempo seconds)
    uint8_t globalVolume = 128, mixVolume = 48;
    bool useInstruments = true;   // false: the instrument column names samples
    std::vector<int> orders;      // pattern numbers in playing order
    std::vector<int> channelPan;  // 0..64 per channel used; 32 when absent
    std::vector<ItSample> samples;
    std::vector<ItInstrument> instruments;
    std::vector<ItPattern> patterns;
};

// The module file; empty when the module breaks the format's limits
// (see ItProblem).
std::vector<uint8_t> ItBytes(const ItModule& module);
// Empty when the module can be written, otherwise what is wrong.
std::string ItProblem(const ItModule& module);

}  // namespace demo
