#include "tools/formats/it_writer.h"

#include <algorithm>

#include "tools/formats/byte_buffer.h"

namespace demo {

namespace {

constexpr uint32_t kTrackerVersion = 0x0214;
constexpr int kOrderEnd = 255;
constexpr int kMaxEnvelopePoints = 25;
constexpr uint8_t kChannelDisabled = 128;

// Module flags.
constexpr uint32_t kStereo = 0x1, kInstruments = 0x4, kLinearSlides = 0x8;
// Sample flags.
constexpr uint8_t kHasData = 0x1, kSixteenBit = 0x2, kLooped = 0x10;
// Packed-pattern mask bits.
constexpr uint8_t kMaskNote = 0x1, kMaskInstrument = 0x2, kMaskVolume = 0x4, kMaskCommand = 0x8;

void Header(ByteBuffer& b, const ItModule& m, size_t orderCount) {
    b.Chars("IMPM").FixedText(m.name, 26);
    b.U8(4).U8(16);  // row highlights: beat and bar
    b.U16LE(static_cast<uint32_t>(orderCount));
    b.U16LE(m.useInstruments ? static_cast<uint32_t>(m.instruments.size()) : 0);
    b.U16LE(static_cast<uint32_t>(m.samples.size()));
    b.U16LE(static_cast<uint32_t>(m.patterns.size()));
    b.U16LE(kTrackerVersion).U16LE(kTrackerVersion);
    b.U16LE(kStereo | kLinearSlides | (m.useInstruments ? kInstruments : 0));
    b.U16LE(0);  // no message
    b.U8(m.globalVolume).U8(m.mixVolume).U8(static_cast<uint32_t>(m.speed)).U8(static_cast<uint32_t>(m.tempo));
    b.U8(128).U8(0);  // panning separation, pitch wheel depth
    b.U16LE(0).U32LE(0).U32LE(0);
    int used = 0;
    for (const ItPattern& p : m.patterns) used = std::max(used, p.Channels());
    for (int c = 0; c < kItMaxChannels; ++c) {
        const int pan = c < static_cast<int>(m.channelPan.size()) ? m.channelPan[c] : 32;
        b.U8(static_cast<uint32_t>(std::clamp(pan, 0, 64)) | (c < used ? 0 : kChannelDisabled));
    }
    for (int c = 0; c < kItMaxChannels; ++c) b.U8(64);
}

void Envelope(ByteBuffer& b, const std::vector<ItEnvelopePoint>& points, int sustain) {
    const bool on = !points.empty();
    std::vector<ItEnvelopePoint> stored = on ? points : std::vector<ItEnvelopePoint>{{0, 0}, {100, 0}};
    uint8_t flags = on ? 1 : 0;
    if (on && sustain >= 0) flags |= 4;  // sustain loop over one point
    b.U8(flags).U8(static_cast<uint32_t>(stored.size()));
    b.U8(0).U8(0);  // loop begin, end
    const uint32_t held = static_cast<uint32_t>(std::max(sustain, 0));
    b.U8(held).U8(held);
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        const ItEnvelopePoint p = i < static_cast<int>(stored.size()) ? stored[i] : ItEnvelopePoint{0, 0};
        b.U8(static_cast<uint32_t>(p.value)).U16LE(static_cast<uint32_t>(p.tick));
    }
    b.U8(0);
}

void Instrument(ByteBuffer& b, const ItInstrument& ins) {
    constexpr uint8_t kNoteFade = 3, kNoDefaultPan = 128, kMiddlePan = 32;
    b.Chars("IMPI").FixedText("", 12).U8(0);
    b.U8(kNoteFade).U8(0).U8(0);  // new-note action, duplicate check off
    b.U16LE(static_cast<uint32_t>(ins.fadeOut));
    b.U8(0).U8(60);  // pitch-pan separation and centre
    b.U8(ins.globalVolume).U8(kMiddlePan | kNoDefaultPan);
    b.U8(0).U8(0);  // random volume and panning
    b.U16LE(kTrackerVersion).U8(1).U8(0);
    b.FixedText(ins.name, 26);
    b.U8(0).U8(0);                   // filter cut-off and resonance
    b.U8(0).U8(0xFF).U16LE(0xFFFF);  // no MIDI channel, program or bank
    for (int note = 0; note < 120; ++note) b.U8(static_cast<uint32_t>(note)).U8(static_cast<uint32_t>(ins.sample));
    Envelope(b, ins.volumeEnvelope, ins.sustainPoint);
    Envelope(b, {}, -1);  // panning
    Envelope(b, {}, -1);  // pitch
    b.Zeros(4);
}

void SampleHeader(ByteBuffer& b, const ItSample& s, uint32_t dataAt) {
    constexpr uint8_t kSigned = 1;
    uint8_t flags = kHasData;
    if (s.sixteenBit) flags |= kSixteenBit;
    if (s.loop) flags |= kLooped;
    b.Chars("IMPS").FixedText("", 12).U8(0);
    b.U8(64).U8(flags).U8(s.volume);
    b.FixedText(s.name, 26);
    b.U8(kSigned).U8(32);  // signed data; default panning unused
    b.U32LE(static_cast<uint32_t>(s.pcm.size()));
    b.U32LE(s.loop ? s.loopStart : 0).U32LE(s.loop ? s.loopEnd : 0);
    b.U32LE(s.c5Speed);
    b.U32LE(0).U32LE(0);  // no sustain loop
    b.U32LE(dataAt);
    b.U8(0).U8(0).U8(0).U8(0);  // no vibrato
}

void SampleData(ByteBuffer& b, const ItSample& s) {
    for (int16_t v : s.pcm) {
        if (s.sixteenBit)
            b.U16LE(static_cast<uint16_t>(v));
        else
            b.U8(static_cast<uint8_t>(static_cast<int8_t>(v >> 8)));
    }
}

ByteBuffer PackedRows(const ItPattern& p) {
    ByteBuffer d;
    for (int row = 0; row < p.Rows(); ++row) {
        for (int c = 0; c < p.Channels(); ++c) {
            const ItCell& cell = p.At(row, c);
            uint8_t mask = 0;
            if (cell.note >= 0) mask |= kMaskNote;
            if (cell.instrument > 0) mask |= kMaskInstrument;
            if (cell.volume >= 0) mask |= kMaskVolume;
            if (cell.command > 0) mask |= kMaskCommand;
            if (mask == 0) continue;
            d.U8(static_cast<uint32_t>(c + 1) | 0x80).U8(mask);
            if (mask & kMaskNote) d.U8(static_cast<uint32_t>(cell.note));
            if (mask & kMaskInstrument) d.U8(static_cast<uint32_t>(cell.instrument));
            if (mask & kMaskVolume) d.U8(static_cast<uint32_t>(cell.volume));
            if (mask & kMaskCommand)
                d.U8(static_cast<uint32_t>(cell.command)).U8(static_cast<uint32_t>(cell.parameter));
        }
        d.U8(0);
    }
    return d;
}

bool ValidCell(const ItCell& c, const ItModule& m) {
    const int instruments = static_cast<int>(m.useInstruments ? m.instruments.size() : m.samples.size());
    const bool note = c.note < 0 || c.note < 120 || c.note == kItNoteOff || c.note == kItNoteCut;
    return note && c.instrument >= 0 && c.instrument <= instruments && c.volume <= 64 && c.command >= 0 &&
           c.command < 27 && c.parameter >= 0 && c.parameter < 256;
}

}  // namespace

std::string ItProblem(const ItModule& m) {
    if (m.orders.empty() || m.orders.size() > 255) return "order list empty or longer than 255";
    if (m.patterns.empty() || m.patterns.size() > 240) return "no patterns or more than 240";
    if (m.samples.empty() || m.samples.size() > 99 || m.instruments.size() > 99)
        return "no samples, or more than 99 samples or instruments";
    if (m.useInstruments && m.instruments.empty()) return "instrument mode without instruments";
    if (m.speed < 1 || m.speed > 255 || m.tempo < 32 || m.tempo > 255) return "speed or tempo out of range";
    for (int o : m.orders)
        if (o < 0 || o >= static_cast<int>(m.patterns.size())) return "order names a missing pattern";
    for (const ItSample& s : m.samples) {
        if (s.pcm.empty() || s.volume > 64) return "empty sample or volume above 64";
        if (s.loop && (s.loopStart >= s.loopEnd || s.loopEnd > s.pcm.size())) return "sample loop outside the sample";
    }
    for (const ItInstrument& ins : m.instruments) {
        if (ins.sample < 1 || ins.sample > static_cast<int>(m.samples.size()))
            return "instrument names a missing sample";
        if (ins.volumeEnvelope.size() > kMaxEnvelopePoints || ins.sustainPoint >= int(ins.volumeEnvelope.size()))
            return "volume envelope too long or sustain point missing";
    }
    for (const ItPattern& p : m.patterns) {
        if (p.Rows() < 1 || p.Rows() > 200 || p.Channels() < 1 || p.Channels() > kItMaxChannels)
            return "pattern rows or channels out of range";
        for (int r = 0; r < p.Rows(); ++r)
            for (int c = 0; c < p.Channels(); ++c)
                if (!ValidCell(p.At(r, c), m)) return "pattern cell out of range";
        if (PackedRows(p).Size() > 65535) return "pattern data too large";
    }
    return {};
}

std::vector<uint8_t> ItBytes(const ItModule& m) {
    if (!ItProblem(m).empty()) return {};
    std::vector<int> orders = m.orders;
    orders.push_back(kOrderEnd);
    const size_t instrumentCount = m.useInstruments ? m.instruments.size() : 0;

    ByteBuffer b;
    Header(b, m, orders.size());
    for (int o : orders) b.U8(static_cast<uint32_t>(o));
    const size_t offsetsAt = b.Size();
    b.Zeros(4 * (instrumentCount + m.samples.size() + m.patterns.size()));
    size_t slot = offsetsAt;
    const auto here = [&] {
        b.PatchU32LE(slot, static_cast<uint32_t>(b.Size()));
        slot += 4;
    };

    for (size_t i = 0; i < instrumentCount; ++i) {
        here();
        Instrument(b, m.instruments[i]);
    }
    std::vector<size_t> dataPointerAt;
    for (const ItSample& s : m.samples) {
        here();
        dataPointerAt.push_back(b.Size() + 72);
        SampleHeader(b, s, 0);
    }
    for (const ItPattern& p : m.patterns) {
        here();
        const ByteBuffer rows = PackedRows(p);
        b.U16LE(static_cast<uint32_t>(rows.Size())).U16LE(static_cast<uint32_t>(p.Rows())).Zeros(4).Append(rows);
    }
    for (size_t i = 0; i < m.samples.size(); ++i) {
        b.PatchU32LE(dataPointerAt[i], static_cast<uint32_t>(b.Size()));
        SampleData(b, m.samples[i]);
    }
    return b.Bytes();
}

}  // namespace demo
