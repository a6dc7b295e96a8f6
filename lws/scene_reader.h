// A scene file's items (objects, lights, cameras) with names, parents, pivots
// and key-frame records.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/vecmath.h"
#include "lws/envelope.h"
#include "lws/motion.h"
#include "tessaly/scene_api.h"

namespace lws {

// Longest object name handed out, in bytes (the callers copy into 256 bytes).
constexpr size_t kMaxNameLength = 255;
// Items of one kind beyond this many are ignored (keeps a hostile file from
// growing the tables without end).
constexpr size_t kMaxItems = 100000;
// Longest object path kept as written.
constexpr size_t kMaxPathLength = 1023;

// A value that is either one number or an envelope over time.
struct ScalarChannel {
    double constant = 0.0;
    Envelope envelope;  // used when it has keys

    double At(double seconds) const {
        return envelope.Empty() ? constant : envelope.EvaluateWithBehaviours(seconds, constant);
    }
};

// Settings of a light item.
struct LightSettings {
    int type = SCENE_LIGHT_DISTANT;
    double colour[3] = {1.0, 1.0, 1.0};  // 0..1
    ScalarChannel intensity{1.0, {}};
    ScalarChannel coneAngle{30.0, {}};  // degrees
    ScalarChannel edgeAngle{5.0, {}};   // degrees
    ScalarChannel range{0.0, {}};       // 0: no falloff
    bool rangeGiven = false;            // LightRange was read
    bool falloffOff = false;            // FalloffType 0: the range does not apply
};

struct SceneItem {
    std::string name;  // objects: file name without directories
    int parent = -1;   // parent object index, -1 for none
    int target = -1;   // object aimed at, -1 for none
    Vector3 pivot{0.0f, 0.0f, 0.0f};
    std::vector<KeyFrameRecord> keys;  // ascending frames
    Motion motion;                     // the curves the keys were made from
    std::string path;                  // objects: the path as written
    bool hasFile = false;              // objects: loads a file (not a null object)
    int layer = 0;                     // objects: LoadObjectLayer's layer (1 the first), 0 the whole object
    int visible = 1;                   // objects: ShowObject level, 0 hidden
    ScalarChannel dissolve{0.0, {}};   // objects: 0 solid .. 1 gone
    ScalarChannel zoom{3.2, {}};       // cameras: ZoomFactor
    LightSettings light;               // lights
};

struct Scene {
    std::vector<SceneItem> objects;
    std::vector<SceneItem> lights;
    std::vector<SceneItem> cameras;
    int version = 0;
    double framesPerSecond = 30.0;
    int firstFrame = 1;
    int lastFrame = 60;
    double background[3] = {0.0, 0.0, 0.0};
    double ambientColour[3] = {1.0, 1.0, 1.0};
    double ambientIntensity = 0.25;
    std::string damage;   // the first damaged part of the file (which item, near which line); empty when whole
    int damageCount = 0;  // damaged parts found
};

// An item's motion at a frame: every channel on its own curve (version 1 keys
// linearly between records).
KeyFrameRecord EvaluateMotion(const SceneItem& item, double frame, double framesPerSecond);

// Reads the text of a scene file of versions 1 to 5. False when the text is
// not a scene (first line not LWSC, version not 1 to 5); otherwise whatever
// the file holds up to any damage ends up in scene.
bool ReadScene(std::string_view text, Scene& scene);

// The part of a path after its last '\', '/' or ':'.
std::string_view FileNameOfPath(std::string_view path);

}  // namespace lws
