#include "tools/content/music.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <sstream>

#include "tools/content/noise.h"

namespace demo {

namespace {

constexpr float kTwoPi = 2 * std::numbers::pi_v<float>;
constexpr int kRows = 64, kBarRows = 16;
constexpr uint32_t kLoopRate = 16744;  // 64 samples a cycle play C-5 (261.63 Hz)
constexpr uint32_t kOneShotRate = 22050;
constexpr float kMiddleC = 261.6256f;

// Channels of the arrangement.
enum Channel { kPad0, kPad1, kPad2, kBass, kLead, kKick, kSnare, kHat, kBell, kChannels };
// Instruments (1-based, in the order Instruments() lists them).
enum Instrument {
    kPadInstrument = 1,
    kBassInstrument,
    kLeadInstrument,
    kBellInstrument,
    kKickInstrument,
    kSnareInstrument,
    kHatInstrument
};

std::vector<int16_t> Render(size_t count, const std::function<float(size_t)>& value) {
    std::vector<float> raw(count);
    float peak = 1e-6f;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::fabs(raw[i] = value(i)));
    std::vector<int16_t> pcm(count);
    for (size_t i = 0; i < count; ++i) pcm[i] = static_cast<int16_t>(std::lround(raw[i] / peak * 30000.0f));
    return pcm;
}

ItSample Looped(const std::string& name, size_t length, const std::function<float(size_t)>& value) {
    ItSample s;
    s.name = name;
    s.sixteenBit = true;
    s.c5Speed = kLoopRate;
    s.pcm = Render(length, value);
    s.loop = true;
    s.loopStart = 0;
    s.loopEnd = static_cast<uint32_t>(length);
    return s;
}

ItSample OneShot(const std::string& name, float seconds, bool sixteenBit, const std::function<float(float)>& value) {
    ItSample s;
    s.name = name;
    s.sixteenBit = sixteenBit;
    s.c5Speed = kOneShotRate;
    s.pcm =
        Render(static_cast<size_t>(seconds * kOneShotRate), [&](size_t i) { return value(float(i) / kOneShotRate); });
    return s;
}

// Sum of harmonics 1..count of a wave with `cycles` periods over `length` samples.
float Harmonics(size_t i, size_t length, float cycles, int count, bool oddOnly) {
    float v = 0;
    for (int h = 1; h <= count; ++h)
        if (!oddOnly || h % 2) v += std::sin(kTwoPi * h * cycles * static_cast<float>(i) / length) / h;
    return v;
}

std::vector<ItSample> Samples() {
    Random noise(77);
    std::vector<float> white(kOneShotRate);
    for (float& w : white) w = noise.Range(-1, 1);
    const auto whiteAt = [white](float t) { return white[static_cast<size_t>(t * kOneShotRate) % white.size()]; };
    return {
        // Three detuned saws over 8192 samples: 127, 128 and 129 cycles of about 64 samples.
        Looped("pad", 8192,
               [](size_t i) {
                   return Harmonics(i, 8192, 127, 10, false) + Harmonics(i, 8192, 128, 10, false) +
                          Harmonics(i, 8192, 129, 10, false);
               }),
        Looped("bass", 64,
               [](size_t i) {
                   const float p = kTwoPi * static_cast<float>(i) / 64;
                   return std::sin(p) + 0.35f * std::sin(2 * p) + 0.12f * std::sin(3 * p);
               }),
        Looped("lead", 64, [](size_t i) { return Harmonics(i, 64, 1, 9, true); }),
        OneShot("bell", 1.4f, true,
                [](float t) {
                    return (std::sin(kTwoPi * kMiddleC * t) +
                            0.4f * std::sin(kTwoPi * kMiddleC * 2.76f * t) * std::exp(-t * 4)) *
                           std::exp(-t * 2.2f);
                }),
        OneShot("kick", 0.35f, false,
                [](float t) {
                    const float phase = kTwoPi * (45 * t + 110.0f / 18.0f * (1 - std::exp(-t * 18)));
                    return std::sin(phase) * std::exp(-t * 7);
                }),
        OneShot("snare", 0.25f, false,
                [whiteAt](float t) {
                    return whiteAt(t) * std::exp(-t * 16) + 0.6f * std::sin(kTwoPi * 185 * t) * std::exp(-t * 25);
                }),
        OneShot("hat", 0.08f, false,
                [whiteAt](float t) { return (whiteAt(t) - whiteAt(t + 1.0f / kOneShotRate)) * std::exp(-t * 55); }),
    };
}

ItInstrument Make(const std::string& name, int sample, std::vector<ItEnvelopePoint> envelope, int sustain,
                  int fadeOut) {
    ItInstrument ins;
    ins.name = name;
    ins.sample = sample;
    ins.volumeEnvelope = std::move(envelope);
    ins.sustainPoint = sustain;
    ins.fadeOut = fadeOut;
    return ins;
}

std::vector<ItInstrument> Instruments() {
    return {
        Make("pad", 1, {{0, 0}, {40, 56}, {80, 46}, {240, 0}}, 2, 48),
        Make("bass", 2, {{0, 64}, {24, 46}, {120, 38}, {160, 0}}, 2, 256),
        Make("lead", 3, {{0, 0}, {3, 64}, {16, 44}, {60, 36}, {100, 0}}, 3, 128),
        Make("bell", 4, {}, -1, 64),
        Make("kick", 5, {}, -1, 512),
        Make("snare", 6, {}, -1, 512),
        Make("hat", 7, {}, -1, 512),
    };
}

// Which parts play in a pattern.
struct Parts {
    bool bass = false, drums = false, lead = false, bells = false;
    int padVolume = 30;
};

struct Song {
    std::string name;
    int tempo;
    std::vector<std::string> progressions;  // one per pattern kind, four chords (bars) each
    std::vector<int> scale;                 // semitones of the scale from its tonic
    int tonic;                              // 0 = C
    std::vector<std::string> motifs;
    std::vector<Parts> patterns;  // one entry per pattern, in order
    uint64_t seed;
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The note of scale step `step` counted from the scale degree nearest the chord root, in octave base.
int ScaleNote(const Song& song, int chordRoot, int step, int base) {
    const int size = static_cast<int>(song.scale.size());
    int rootDegree = 0;
    for (int d = 0; d < size; ++d)
        if ((song.tonic + song.scale[d]) % 12 == chordRoot) rootDegree = d;
    const int degree = rootDegree + step;
    const int octave = degree >= 0 ? degree / size : -((-degree + size - 1) / size);
    const int inScale = degree - octave * size;
    return base + song.tonic + song.scale[inScale] + 12 * octave;
}

void Put(ItPattern& p, int row, int channel, int note, int instrument, int volume) {
    ItCell& c = p.At(row, channel);
    c.note = note;
    c.instrument = instrument;
    c.volume = volume;
}

void Bar(ItPattern& p, int bar, const std::string& chord, const Parts& parts, const Song& song, Random& random) {
    int root = 0;
    bool minor = false;
    ParseChord(chord, root, minor);
    const int row0 = bar * kBarRows;
    // Pad: the triad voiced between G-4 and F#-5, held for the bar.
    const int tones[3] = {root, root + (minor ? 3 : 4), root + 7};
    for (int v = 0; v < 3; ++v) {
        int note = 48 + tones[v] % 12;
        if (note < 55) note += 12;
        Put(p, row0, kPad0 + v, note, kPadInstrument, parts.padVolume);
    }
    if (parts.bass) {
        const int bass = 36 + root % 12;
        const int pattern[][2] = {{0, 0}, {6, 0}, {8, 12}, {12, 7}, {14, 0}};
        for (const auto& [row, interval] : pattern)
            Put(p, row0 + row, kBass, bass + interval, kBassInstrument, row == 0 ? 52 : 40);
    }
    if (parts.drums) {
        for (int row : {0, 8, 10}) Put(p, row0 + row, kKick, 60, kKickInstrument, row == 10 ? 40 : 64);
        for (int row : {4, 12}) Put(p, row0 + row, kSnare, 60, kSnareInstrument, 44);
        for (int row = 0; row < kBarRows; row += 2) Put(p, row0 + row, kHat, 72, kHatInstrument, row % 4 ? 14 : 24);
    }
    if (parts.lead || parts.bells) {
        const bool cadence = bar == 3;
        const std::string& motifText =
            cadence ? song.motifs.back() : song.motifs[random.Below(static_cast<int>(song.motifs.size()) - 1)];
        int row = row0;
        for (const MotifNote& n : ParseMotif(motifText)) {
            if (row >= row0 + kBarRows) break;
            if (n.isRest)
                p.At(row, parts.lead ? kLead : kBell).note = kItNoteOff;
            else if (parts.lead)
                Put(p, row, kLead, ScaleNote(song, root, n.step, 60), kLeadInstrument, 40);
            else
                Put(p, row, kBell, ScaleNote(song, root, n.step, 72), kBellInstrument, 36);
            row += n.rows;
        }
    }
}

ItModule Compose(const Song& song) {
    ItModule m;
    m.name = song.name;
    m.speed = 6;
    m.tempo = song.tempo;
    m.mixVolume = 60;
    m.samples = Samples();
    m.instruments = Instruments();
    m.channelPan = {20, 44, 32, 32, 36, 32, 28, 40, 24};
    Random random(song.seed);
    for (size_t i = 0; i < song.patterns.size(); ++i) {
        ItPattern p(kRows, kChannels);
        const std::vector<std::string> chords = Words(song.progressions[i % song.progressions.size()]);
        for (int bar = 0; bar < 4; ++bar)
            Bar(p, bar, chords.at(static_cast<size_t>(bar) % chords.size()), song.patterns[i], song, random);
        m.patterns.push_back(std::move(p));
        m.orders.push_back(static_cast<int>(i));
    }
    return m;
}

Parts P(bool bass, bool drums, bool lead, bool bells, int padVolume = 30) {
    Parts parts;
    parts.bass = bass, parts.drums = drums, parts.lead = lead, parts.bells = bells;
    parts.padVolume = padVolume;
    return parts;
}

}  // namespace

bool ParseChord(const std::string& name, int& root, bool& minor) {
    static const int kNatural[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.empty() || name[0] < 'A' || name[0] > 'G') return false;
    root = kNatural[name[0] - 'A'];
    size_t at = 1;
    if (at < name.size() && (name[at] == '#' || name[at] == 'b')) root = (root + (name[at++] == '#' ? 1 : 11)) % 12;
    minor = at < name.size() && name[at] == 'm';
    if (minor) ++at;
    return at == name.size();
}

std::vector<MotifNote> ParseMotif(const std::string& text) {
    std::vector<MotifNote> notes;
    for (const std::string& word : Words(text)) {
        const size_t colon = word.find(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 == word.size()) return {};
        MotifNote n;
        const std::string step = word.substr(0, colon), rows = word.substr(colon + 1);
        try {
            n.isRest = step == "r";
            n.step = n.isRest ? 0 : std::stoi(step);
            n.rows = std::stoi(rows);
        } catch (const std::exception&) {
            return {};
        }
        if (n.rows < 1) return {};
        notes.push_back(n);
    }
    return notes;
}

ItModule FirstModule() {
    Song song;
    song.name = "Tessaly - Over the Valley";
    song.tempo = 96;  // 16 patterns of 64 rows at 6 ticks: 160 seconds
    song.progressions = {"Am F C G", "Am F G E", "F G Am Am", "Dm F C G"};
    song.tonic = 9;  // A minor
    song.scale = {0, 2, 3, 5, 7, 8, 10};
    song.motifs = {"0:4 2:4 4:6 2:2", "4:2 3:2 2:4 1:4 0:4", "7:6 6:2 4:4 2:4", "2:2 4:2 7:4 6:2 4:2 2:4",
                   "0:8 -1:4 0:4"};
    song.seed = 2026;
    song.patterns = {P(false, false, false, false, 26), P(true, false, false, false), P(true, true, false, false),
                     P(true, true, false, true),        P(true, true, true, false),   P(true, true, true, false),
                     P(true, true, true, false),        P(true, true, true, false),   P(false, false, false, true),
                     P(true, false, false, true),       P(true, true, true, false),   P(true, true, true, false),
                     P(true, true, true, false),        P(true, true, true, false),   P(true, false, false, true),
                     P(false, false, false, true, 20)};
    return Compose(song);
}

ItModule SecondModule() {
    Song song;
    song.name = "Tessaly - The Hall";
    song.tempo = 80;  // 5 patterns of 64 rows at 6 ticks: 60 seconds
    song.progressions = {"Dm Bb F C", "Gm Bb Dm A"};
    song.tonic = 2;  // D minor
    song.scale = {0, 2, 3, 5, 7, 8, 10};
    song.motifs = {"0:6 2:2 4:8", "4:4 2:4 1:4 0:4", "2:8 4:4 5:4", "0:12 r:4"};
    song.seed = 80;
    song.patterns = {P(false, false, false, true, 26), P(true, false, false, true), P(true, false, true, false),
                     P(true, false, true, false), P(true, false, false, true, 22)};
    return Compose(song);
}

}  // namespace demo
