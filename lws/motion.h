// Motion blocks of scene items in their three layouts, and the key-frame
// records made from them.
#pragma once

#include <array>
#include <vector>

#include "lws/envelope.h"
#include "lws/scene_text.h"
#include "tessaly/scene_api.h"

namespace lws {

// Channels of a motion, in file order: x, y, z, heading, pitch, bank, sx, sy, sz.
constexpr int kMotionChannels = 9;

// Frame numbers stay within +-kFrameLimit, so the difference of any two of
// them still fits an int.
constexpr int kFrameLimit = 1000000000;

// A motion as read: version 1 lists whole keys, later versions one envelope
// per channel that are merged once the scene's frame rate is known.
struct Motion {
    bool perChannel = false;                         // true for versions 2 to 5
    bool degrees = true;                             // angles in degrees (versions 1 and 2)
    std::vector<KeyFrameRecord> records;             // version 1 keys
    std::array<Envelope, kMotionChannels> channels;  // versions 2 to 5
    bool damaged = false;                            // the block ended early, or its counts did not match its keys
};

// Reads the block that follows an ObjectMotion, LightMotion or CameraMotion
// line. The reader is left at the first line that is not part of the block; a
// damaged block gives the keys read before the damage.
Motion ReadMotion(LineReader& reader, int version);

// Key-frame records of a motion in ascending frame order, one per frame. For
// per-channel motions: one record at every frame at which any channel has a
// key, each channel evaluated there with its own curve.
std::vector<KeyFrameRecord> BuildKeyFrames(const Motion& motion, double framesPerSecond);

// Every channel of a per-channel motion evaluated at a time (seconds) into a
// record (frame and key fields left 0); channels without keys give 0, scale 1.
KeyFrameRecord EvaluateChannels(const Motion& motion, double seconds);

// Reads the envelope that follows a "Keyword (envelope)" line, in the layout of
// the file's version (times in seconds; version 1 frames become seconds at
// framesPerSecond). Empty when no envelope follows.
Envelope ReadScalarEnvelope(LineReader& reader, int version, double framesPerSecond);

// round(seconds x framesPerSecond), kept within +-kFrameLimit.
int FrameOfTime(double seconds, double framesPerSecond);

}  // namespace lws
