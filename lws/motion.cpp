// Motion blocks of scene items and their merging into key-frame records.
#include "lws/motion.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <numbers>

namespace lws {

namespace {

// Index of each channel's value in a key-frame record.
enum Channel { kX, kY, kZ, kHeading, kPitch, kBank, kScaleX, kScaleY, kScaleZ };

constexpr double kDegreesToRadians = std::numbers::pi / 180.0;

// Value of a channel that has no keys at all.
double EmptyChannelValue(int channel) { return channel >= kScaleX ? 1.0 : 0.0; }

float ToFloat(double value) {
    if (std::isnan(value)) return 0.0f;
    return static_cast<float>(std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

// Fills position, rotation and scale of a record from the nine channel values.
void SetChannels(KeyFrameRecord& record, const double* values, bool degrees) {
    const double angle = degrees ? kDegreesToRadians : 1.0;
    record.position[0] = ToFloat(values[kX]);
    record.position[1] = ToFloat(values[kY]);
    record.position[2] = ToFloat(values[kZ]);
    record.rotation[0] = ToFloat(values[kPitch] * angle);
    record.rotation[1] = ToFloat(values[kHeading] * angle);
    record.rotation[2] = ToFloat(values[kBank] * angle);
    record.scale[0] = ToFloat(values[kScaleX]);
    record.scale[1] = ToFloat(values[kScaleY]);
    record.scale[2] = ToFloat(values[kScaleZ]);
}

// Reads the next line; a line that is not wanted is given back with Rewind.
bool NextLine(LineReader& reader, std::string_view& line, size_t& before) {
    before = reader.Position();
    return reader.Next(line);
}

// Version 1: channel count, key count, then per key a line of channel values
// and a line "frame linear tension continuity bias".
void ReadWholeKeys(LineReader& reader, Motion& motion) {
    std::string_view line;
    size_t before = 0;
    int channels = 0, keys = 0;
    if (!NextLine(reader, line, before) || !ReadCountLine(line, channels)) {
        reader.Rewind(before);
        motion.damaged = true;
        return;
    }
    if (!NextLine(reader, line, before) || !ReadCountLine(line, keys)) {
        reader.Rewind(before);
        motion.damaged = true;
        return;
    }
    channels = std::min(channels, kMotionChannels);
    for (int k = 0; k < keys; ++k) {
        double values[kMotionChannels];
        for (int c = 0; c < kMotionChannels; ++c) values[c] = EmptyChannelValue(c);
        if (!NextLine(reader, line, before) || ReadNumbers(line, values, channels) < 1) {
            reader.Rewind(before);
            motion.damaged = true;
            return;
        }

        double spline[5] = {};
        if (!NextLine(reader, line, before) || ReadNumbers(line, spline, 5) < 1) {
            reader.Rewind(before);
            motion.damaged = true;
            return;
        }
        KeyFrameRecord record{};
        SetChannels(record, values, true);
        record.frame = FrameOfTime(spline[0], 1.0);
        record.linear = spline[1] != 0.0 ? 1 : 0;
        record.tension = ToFloat(spline[2]);
        record.continuity = ToFloat(spline[3]);
        record.bias = ToFloat(spline[4]);
        motion.records.push_back(record);
    }
}

// Shape code of a version 2 key line. Those lines carry tension, continuity
// and bias but no tangents or handles, so every curved key is a TCB key.
int ShapeOfVersion2(double code) {
    if (code == 1.0 || code == kShapeLinear) return kShapeLinear;
    if (code == kShapeStepped) return kShapeStepped;
    return kShapeTcb;
}

// Shape code of a version 3+ key line; unknown codes read as linear.
int ShapeOfCode(double code) {
    if (code >= kShapeTcb && code <= kShapeBezier2D) return static_cast<int>(code);
    return kShapeLinear;
}

// Version 2: channel count, then per channel a key count and lines
// "value time shape tension continuity bias". A count larger than the keys
// that follow ends that channel at the first line that is no key.
void ReadChannelKeyLines(LineReader& reader, Motion& motion) {
    std::string_view line;
    size_t before = 0;
    int channels = 0;
    if (!NextLine(reader, line, before) || !ReadCountLine(line, channels)) {
        reader.Rewind(before);
        motion.damaged = true;
        return;
    }
    for (int c = 0; c < channels; ++c) {
        int keys = 0;
        if (!NextLine(reader, line, before) || !ReadCountLine(line, keys)) {
            reader.Rewind(before);
            motion.damaged = true;
            return;
        }
        for (int k = 0; k < keys; ++k) {
            double numbers[6] = {};
            if (!NextLine(reader, line, before) || ReadNumbers(line, numbers, 6) < 2) {
                reader.Rewind(before);
                motion.damaged = true;
                break;
            }
            if (c >= kMotionChannels) continue;
            EnvelopeKey key;
            key.value = numbers[0];
            key.time = numbers[1];
            key.shape = ShapeOfVersion2(numbers[2]);
            key.param[0] = numbers[3];
            key.param[1] = numbers[4];
            key.param[2] = numbers[5];
            motion.channels[c].Add(key);
        }
    }
}

// Versions 3 to 5, after "Channel N": "{ Envelope", key count, "Key ..." lines,
// "Behaviors pre post", "}". False when the envelope is damaged: its end is
// missing, or its keys do not match its count or are no keys.
bool ReadEnvelope(LineReader& reader, Envelope* envelope) {
    std::string_view line;
    size_t before = 0;
    do {
        if (!NextLine(reader, line, before)) return false;
    } while (line.empty());
    if (line.front() != '{') {
        reader.Rewind(before);
        return false;
    }
    int limit = 0;
    if (!NextLine(reader, line, before) || !ReadCountLine(line, limit)) {
        reader.Rewind(before);  // no count: take the keys that are there
        limit = INT_MAX;
    }
    int read = 0;
    bool whole = true;
    while (NextLine(reader, line, before)) {
        std::string_view rest;
        const std::string_view word = FirstWord(line, rest);
        if (word == "}") return whole && (limit == INT_MAX || read == limit);
        if (word.empty()) continue;
        if (word == "Behaviors") {
            double codes[2] = {kBehaviourConstant, kBehaviourConstant};
            if (envelope != nullptr && ReadNumbers(rest, codes, 2) == 2) envelope->SetBehaviours(codes[0], codes[1]);
            continue;
        }
        if (word != "Key") {
            reader.Rewind(before);  // a damaged envelope: its end is missing
            return false;
        }
        double numbers[9] = {};
        if (read >= limit || ReadNumbers(rest, numbers, 9) < 2) {
            whole = false;
            continue;
        }
        ++read;
        if (envelope == nullptr) continue;
        EnvelopeKey key;
        key.value = numbers[0];
        key.time = numbers[1];
        key.shape = ShapeOfCode(numbers[2]);
        std::copy(numbers + 3, numbers + 9, key.param);
        envelope->Add(key);
    }
    return false;  // the text ended inside the envelope
}

void ReadChannelBlocks(LineReader& reader, Motion& motion) {
    std::string_view line;
    size_t before = 0;
    while (NextLine(reader, line, before)) {
        std::string_view rest;
        const std::string_view word = FirstWord(line, rest);
        if (word.empty() || word == "NumChannels") continue;
        if (word != "Channel") {
            reader.Rewind(before);
            return;
        }
        int index = -1;
        Envelope* envelope = nullptr;
        if (ReadCountLine(rest, index) && index < kMotionChannels && rest.front() != '-')
            envelope = &motion.channels[index];
        if (!ReadEnvelope(reader, envelope)) motion.damaged = true;
    }
}

}  // namespace

int FrameOfTime(double seconds, double framesPerSecond) {
    const double frame = std::round(seconds * framesPerSecond);
    if (std::isnan(frame)) return 0;
    return static_cast<int>(std::clamp(frame, -static_cast<double>(kFrameLimit), static_cast<double>(kFrameLimit)));
}

KeyFrameRecord EvaluateChannels(const Motion& motion, double seconds) {
    double values[kMotionChannels];
    for (int c = 0; c < kMotionChannels; ++c)
        values[c] = motion.channels[c].EvaluateWithBehaviours(seconds, EmptyChannelValue(c));
    KeyFrameRecord record{};
    SetChannels(record, values, motion.degrees);
    return record;
}

Envelope ReadScalarEnvelope(LineReader& reader, int version, double framesPerSecond) {
    Envelope envelope;
    if (version >= 3) {
        ReadEnvelope(reader, &envelope);
    } else if (version == 2) {
        Motion motion;
        ReadChannelKeyLines(reader, motion);
        envelope = motion.channels[0];
    } else {
        // Version 1: a one-channel key list whose first value is the number.
        Motion motion;
        ReadWholeKeys(reader, motion);
        for (const KeyFrameRecord& record : motion.records) {
            EnvelopeKey key;
            key.value = record.position[0];
            key.time = framesPerSecond > 0.0 ? record.frame / framesPerSecond : 0.0;
            key.shape = record.linear ? kShapeLinear : kShapeTcb;
            key.param[0] = record.tension;
            key.param[1] = record.continuity;
            key.param[2] = record.bias;
            envelope.Add(key);
        }
    }
    envelope.Finish();
    return envelope;
}

Motion ReadMotion(LineReader& reader, int version) {
    Motion motion;
    motion.perChannel = version >= 2;
    motion.degrees = version <= 2;
    if (version <= 1)
        ReadWholeKeys(reader, motion);
    else if (version == 2)
        ReadChannelKeyLines(reader, motion);
    else
        ReadChannelBlocks(reader, motion);
    for (Envelope& channel : motion.channels) channel.Finish();
    return motion;
}

std::vector<KeyFrameRecord> BuildKeyFrames(const Motion& motion, double framesPerSecond) {
    std::vector<KeyFrameRecord> records;
    if (!motion.perChannel) {
        // Keys in ascending frame order, one per frame (the last one listed),
        // so no span between two keys has zero length.
        records = motion.records;
        std::stable_sort(records.begin(), records.end(),
                         [](const KeyFrameRecord& a, const KeyFrameRecord& b) { return a.frame < b.frame; });
        std::vector<KeyFrameRecord> kept;
        for (const KeyFrameRecord& record : records) {
            if (!kept.empty() && kept.back().frame == record.frame)
                kept.back() = record;
            else
                kept.push_back(record);
        }
        return kept;
    }

    // Frame of every key, per channel; keys are in time order, so are frames.
    std::array<std::vector<int>, kMotionChannels> keyFrames;
    std::vector<int> frames;
    for (int c = 0; c < kMotionChannels; ++c) {
        for (const EnvelopeKey& key : motion.channels[c].Keys()) {
            keyFrames[c].push_back(FrameOfTime(key.time, framesPerSecond));
            frames.push_back(keyFrames[c].back());
        }
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());

    records.reserve(frames.size());
    for (int frame : frames) {
        KeyFrameRecord record{};
        record.frame = frame;
        bool keyFieldsSet = false;
        double values[kMotionChannels];
        for (int c = 0; c < kMotionChannels; ++c) {
            const Envelope& channel = motion.channels[c];
            const std::vector<int>& own = keyFrames[c];
            const auto range = std::equal_range(own.begin(), own.end(), frame);
            if (range.first == range.second) {
                values[c] = channel.Evaluate(frame / framesPerSecond, EmptyChannelValue(c));
                continue;
            }
            // The channel has a key on this frame: its value exactly.
            const EnvelopeKey& key = channel.Keys()[(range.second - own.begin()) - 1];
            values[c] = key.value;
            if (!keyFieldsSet) {
                keyFieldsSet = true;
                record.linear = key.shape == kShapeLinear ? 1 : 0;
                if (key.shape == kShapeTcb) {
                    record.tension = ToFloat(key.param[0]);
                    record.continuity = ToFloat(key.param[1]);
                    record.bias = ToFloat(key.param[2]);
                }
            }
        }
        SetChannels(record, values, motion.degrees);
        records.push_back(record);
    }
    return records;
}

}  // namespace lws
