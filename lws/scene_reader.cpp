// Reading a scene file: one keyword line after another, each item starting at
// its Load/Add line and collecting the lines that follow until the next item.
#include "lws/scene_reader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#include "lws/motion.h"
#include "lws/scene_text.h"

namespace lws {

namespace {

enum class ItemKind { None, Object, Light, Camera, Other };

// High digit of an 8-digit item id: the kind of item it names.
constexpr uint32_t kItemIdObject = 1;

constexpr double kDefaultFramesPerSecond = 30.0;

class SceneParser {
public:
    SceneParser(std::string_view text, Scene& scene) : text_(text), reader_(text), scene_(scene) {}
    bool Run();

private:
    void Keyword(std::string_view word, std::string_view rest);
    SceneItem* Current();
    void Start(ItemKind kind, std::string_view name);
    void StartObject(std::string_view path);
    std::string_view SkipItemId(std::string_view rest) const;
    void ReadMotionOf(ItemKind kind);
    void ResolveParents();
    bool SceneKeyword(std::string_view word, std::string_view rest);
    bool ItemKeyword(std::string_view word, std::string_view rest);
    void ReadScalar(std::string_view rest, ScalarChannel& channel);
    void ReadColour(std::string_view rest, double* rgb);

    std::string_view text_;
    LineReader reader_;
    Scene& scene_;
    int version_ = 0;
    double framesPerSecond_ = kDefaultFramesPerSecond;
    ItemKind current_ = ItemKind::None;
    double ambientIntensity_ = -1.0;  // as read; negative while absent
};

// Colours in files of versions 1 and 2 count 0 to 255, later ones 0 to 1.
double ColourScale(int version) { return version <= 2 ? 1.0 / 255.0 : 1.0; }

bool IsEnvelopeWord(std::string_view rest) { return rest.substr(0, 10) == "(envelope)"; }

bool SceneParser::Run() {
    std::string_view line;
    if (!reader_.Next(line)) return false;
    if (line.substr(0, 3) == "\xEF\xBB\xBF")  // a byte-order mark some editors write
        line.remove_prefix(3);
    if (line != "LWSC") return false;
    if (!reader_.Next(line) || !ReadCountLine(line, version_) || version_ < 1 || version_ > 5) return false;

    while (reader_.Next(line)) {
        std::string_view rest;
        const std::string_view word = FirstWord(line, rest);
        if (!word.empty()) Keyword(word, rest);
    }
    ResolveParents();
    scene_.version = version_;
    scene_.framesPerSecond = framesPerSecond_;
    if (ambientIntensity_ >= 0.0) scene_.ambientIntensity = ambientIntensity_;
    return true;
}

// A number, or the envelope that follows "(envelope)".
void SceneParser::ReadScalar(std::string_view rest, ScalarChannel& channel) {
    if (IsEnvelopeWord(rest)) {
        channel.envelope = ReadScalarEnvelope(reader_, version_, framesPerSecond_);
        if (!channel.envelope.Empty()) channel.constant = channel.envelope.Keys().front().value;
        return;
    }
    double value = 0.0;
    if (ReadNumbers(rest, &value, 1) == 1) channel.constant = value;
}

// Three numbers in the file's colour scale, stored 0..1.
void SceneParser::ReadColour(std::string_view rest, double* rgb) {
    double values[3] = {};
    if (ReadNumbers(rest, values, 3) != 3) return;
    for (int c = 0; c < 3; ++c) rgb[c] = std::clamp(values[c] * ColourScale(version_), 0.0, 1.0);
}

// Keywords that set the whole scene, wherever they stand.
bool SceneParser::SceneKeyword(std::string_view word, std::string_view rest) {
    double value = 0.0;
    if (word == "FirstFrame" || word == "LastFrame") {
        if (ReadNumbers(rest, &value, 1) == 1) {
            const int frame = FrameOfTime(value, 1.0);
            (word == "FirstFrame" ? scene_.firstFrame : scene_.lastFrame) = frame;
        }
    } else if (word == "BGColor" || word == "BackdropColor") {
        ReadColour(rest, scene_.background);
    } else if (word == "AmbientColor") {
        ReadColour(rest, scene_.ambientColour);
    } else if (word == "AmbIntensity" || word == "AmbientIntensity") {
        ScalarChannel channel{0.25, {}};
        ReadScalar(rest, channel);
        ambientIntensity_ = std::clamp(channel.At(0.0), 0.0, 1e6);
    } else {
        return false;
    }
    return true;
}

// Settings of the current object, light or camera.
bool SceneParser::ItemKeyword(std::string_view word, std::string_view rest) {
    SceneItem* item = Current();
    const bool object = item != nullptr && current_ == ItemKind::Object;
    const bool light = item != nullptr && current_ == ItemKind::Light;
    const bool camera = item != nullptr && current_ == ItemKind::Camera;
    double value = 0.0;
    if (word == "Pre/PostBehavior") {
        // Version 2: a pre and a post behaviour for each channel of the motion above.
        double codes[2 * kMotionChannels] = {};
        const int read = ReadNumbers(rest, codes, 2 * kMotionChannels);
        if (item != nullptr)
            for (int c = 0; c < kMotionChannels && 2 * c + 1 < read; ++c)
                item->motion.channels[c].SetBehaviours(codes[2 * c], codes[2 * c + 1]);
    } else if (word == "ShowObject") {
        if (object && ReadNumbers(rest, &value, 1) == 1) item->visible = value > 0.0 ? 1 : 0;
    } else if (word == "ObjectDissolve") {
        ScalarChannel ignored;
        ReadScalar(rest, object ? item->dissolve : ignored);
    } else if (word == "ZoomFactor") {
        ScalarChannel ignored;
        ReadScalar(rest, camera ? item->zoom : ignored);
    } else if (word == "LightColor") {
        if (light) ReadColour(rest, item->light.colour);
    } else if (word == "LgtIntensity" || word == "LightIntensity") {
        ScalarChannel ignored;
        ReadScalar(rest, light ? item->light.intensity : ignored);
    } else if (word == "LightType") {
        if (light && ReadNumbers(rest, &value, 1) == 1)
            item->light.type = value == 0.0 ? SCENE_LIGHT_DISTANT : value == 2.0 ? SCENE_LIGHT_SPOT : SCENE_LIGHT_POINT;
    } else if (word == "ConeAngle" || word == "LightConeAngle") {
        ScalarChannel ignored;
        ReadScalar(rest, light ? item->light.coneAngle : ignored);
    } else if (word == "EdgeAngle" || word == "LightEdgeAngle") {
        ScalarChannel ignored;
        ReadScalar(rest, light ? item->light.edgeAngle : ignored);
    } else if (word == "LightRange") {
        ScalarChannel ignored;
        ReadScalar(rest, light ? item->light.range : ignored);
        if (light) item->light.rangeGiven = true;
    } else if (word == "LightFalloff") {
        // Versions 1 and 2: intensity lost per unit of distance.
        ScalarChannel falloff{0.0, {}};
        ReadScalar(rest, falloff);
        const double perUnit = falloff.At(0.0);
        if (light && perUnit > 0.0 && !item->light.rangeGiven) item->light.range = ScalarChannel{1.0 / perUnit, {}};
    } else if (word == "FalloffType" || word == "LightFalloffType") {
        if (light && ReadNumbers(rest, &value, 1) == 1) item->light.falloffOff = value == 0.0;
    } else {
        return false;
    }
    return true;
}

SceneItem* SceneParser::Current() {
    std::vector<SceneItem>* items = nullptr;
    switch (current_) {
        case ItemKind::Object:
            items = &scene_.objects;
            break;
        case ItemKind::Light:
            items = &scene_.lights;
            break;
        case ItemKind::Camera:
            items = &scene_.cameras;
            break;
        default:
            return nullptr;
    }
    return items->empty() ? nullptr : &items->back();
}

void SceneParser::Start(ItemKind kind, std::string_view name) {
    std::vector<SceneItem>* items = kind == ItemKind::Object   ? &scene_.objects
                                    : kind == ItemKind::Light  ? &scene_.lights
                                    : kind == ItemKind::Camera ? &scene_.cameras
                                                               : nullptr;
    if (items == nullptr || items->size() >= kMaxItems) {
        current_ = ItemKind::Other;
        return;
    }
    SceneItem item;
    item.name.assign(name.substr(0, kMaxNameLength));
    items->push_back(std::move(item));
    current_ = kind;
}

void SceneParser::StartObject(std::string_view path) {
    Start(ItemKind::Object, FileNameOfPath(path));
    SceneItem* item = Current();
    if (current_ == ItemKind::Object && item != nullptr) {
        item->path.assign(path.substr(0, kMaxPathLength));
        item->hasFile = true;
    }
}

// Versions 3 and later may put an 8-digit hex item id before a name or path.
std::string_view SceneParser::SkipItemId(std::string_view rest) const {
    if (version_ < 3) return rest;
    std::string_view after;
    const std::string_view word = FirstWord(rest, after);
    uint32_t id = 0;
    if (word.size() == 8 && !after.empty() && ReadItemId(word, id)) return after;
    return rest;
}

void SceneParser::ReadMotionOf(ItemKind kind) {
    const size_t start = reader_.Position();
    Motion motion = ReadMotion(reader_, version_);
    SceneItem* item = Current();
    if (motion.damaged && scene_.damageCount++ == 0) {
        // Named by kind, number and (objects) name, at the line of its motion
        // keyword (the line before the block, which starts at start).
        const long line = static_cast<long>(std::count(text_.begin(), text_.begin() + static_cast<long>(start), '\n'));
        const char* what = kind == ItemKind::Object ? "object" : kind == ItemKind::Light ? "light" : "camera";
        const size_t number = kind == ItemKind::Object  ? scene_.objects.size()
                              : kind == ItemKind::Light ? scene_.lights.size()
                                                        : scene_.cameras.size();
        scene_.damage = "the motion of " + std::string(what) + " " + std::to_string(number);
        if (kind == ItemKind::Object && item != nullptr && current_ == kind) scene_.damage += " (" + item->name + ")";
        scene_.damage += " from line " + std::to_string(line) + " is cut short or its key counts are wrong";
    }
    if (current_ == kind && item != nullptr) {
        item->keys = BuildKeyFrames(motion, framesPerSecond_);
        item->motion = std::move(motion);
    }
}

void SceneParser::Keyword(std::string_view word, std::string_view rest) {
    if (SceneKeyword(word, rest) || ItemKeyword(word, rest)) return;
    if (word == "FramesPerSecond") {
        double fps = 0.0;
        if (ReadNumbers(rest, &fps, 1) == 1 && fps > 0.0) framesPerSecond_ = fps;
    } else if (word == "LoadObject") {
        StartObject(rest);
    } else if (word == "LoadObjectLayer") {
        std::string_view path;
        const std::string_view number = FirstWord(rest, path);
        StartObject(SkipItemId(path));
        SceneItem* item = Current();
        double layer = 0.0;
        if (current_ == ItemKind::Object && item != nullptr && ReadNumbers(number, &layer, 1) == 1 && layer >= 1.0 &&
            layer <= 65536.0)
            item->layer = static_cast<int>(layer);
    } else if (word == "AddNullObject") {
        Start(ItemKind::Object, SkipItemId(rest));
        if (SceneItem* item = Current()) item->path.assign(item->name);
    } else if (word == "AddLight") {
        Start(ItemKind::Light, {});
    } else if (word == "AddCamera") {
        Start(ItemKind::Camera, {});
    } else if (word == "AddBone" || word == "AddSkelegon") {
        current_ = ItemKind::Other;  // bones and their settings are not read
    } else if (word == "ShowCamera") {
        // Version 1 has one camera without an AddCamera line.
        if (current_ != ItemKind::Camera) Start(ItemKind::Camera, {});
    } else if (word == "ObjectMotion") {
        ReadMotionOf(ItemKind::Object);
    } else if (word == "LightMotion") {
        ReadMotionOf(ItemKind::Light);
    } else if (word == "CameraMotion") {
        if (current_ != ItemKind::Camera) Start(ItemKind::Camera, {});
        ReadMotionOf(ItemKind::Camera);
    } else if (word == "ParentObject") {
        // Versions 1 and 2: objects counted from 1.
        SceneItem* item = Current();
        int number = 0;
        if (item != nullptr) item->parent = ReadCountLine(rest, number) && number >= 1 ? number - 1 : -1;
    } else if (word == "ParentItem") {
        // Versions 3 and later: item id; only an object can be a parent here.
        SceneItem* item = Current();
        uint32_t id = 0;
        std::string_view after;
        const std::string_view idWord = FirstWord(rest, after);
        if (item != nullptr) {
            item->parent = -1;
            if (idWord.size() == 8 && ReadItemId(idWord, id) && (id >> 28) == kItemIdObject)
                item->parent = static_cast<int>(id & 0x0FFFFFFFu);
        }
    } else if (word == "TargetObject") {
        // Versions 1 and 2: objects counted from 1.
        SceneItem* item = Current();
        int number = 0;
        if (item != nullptr) item->target = ReadCountLine(rest, number) && number >= 1 ? number - 1 : -1;
    } else if (word == "TargetItem") {
        SceneItem* item = Current();
        uint32_t id = 0;
        std::string_view after;
        const std::string_view idWord = FirstWord(rest, after);
        if (item != nullptr) {
            item->target = -1;
            if (idWord.size() == 8 && ReadItemId(idWord, id) && (id >> 28) == kItemIdObject)
                item->target = static_cast<int>(id & 0x0FFFFFFFu);
        }
    } else if (word == "PivotPoint" || word == "PivotPosition") {
        SceneItem* item = Current();
        double xyz[3] = {};
        if (item != nullptr && ReadNumbers(rest, xyz, 3) == 3) {
            const auto toFloat = [](double v) {
                return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
            };
            item->pivot = Vector3{toFloat(xyz[0]), toFloat(xyz[1]), toFloat(xyz[2])};
        }
    }
}

// Parents name objects of this scene. A parent beyond the objects gives -1,
// and a chain of object parents that leads back to itself is cut where it
// closes, so following parents always ends.
void SceneParser::ResolveParents() {
    const int objectCount = static_cast<int>(scene_.objects.size());
    const auto check = [objectCount](SceneItem& item) {
        if (item.parent < 0 || item.parent >= objectCount) item.parent = -1;
        if (item.target < 0 || item.target >= objectCount) item.target = -1;
    };
    for (auto* items : {&scene_.objects, &scene_.lights, &scene_.cameras})
        for (SceneItem& item : *items) check(item);

    enum : char { kUnseen, kOnPath, kDone };
    std::vector<char> state(scene_.objects.size(), kUnseen);
    std::vector<int> path;
    for (int start = 0; start < objectCount; ++start) {
        path.clear();
        int at = start;
        while (at != -1 && state[at] == kUnseen) {
            state[at] = kOnPath;
            path.push_back(at);
            const int next = scene_.objects[at].parent;
            if (next != -1 && state[next] == kOnPath) {
                scene_.objects[at].parent = -1;
                break;
            }
            at = next;
        }
        for (int index : path) state[index] = kDone;
    }
}

}  // namespace

std::string_view FileNameOfPath(std::string_view path) {
    const size_t separator = path.find_last_of("\\/:");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

KeyFrameRecord EvaluateMotion(const SceneItem& item, double frame, double framesPerSecond) {
    KeyFrameRecord record{};
    record.frame = FrameOfTime(std::floor(std::isfinite(frame) ? frame : 0.0), 1.0);
    record.scale[0] = record.scale[1] = record.scale[2] = 1.0f;
    const Motion& motion = item.motion;
    if (motion.perChannel) {
        const double seconds = framesPerSecond > 0.0 ? frame / framesPerSecond : 0.0;
        KeyFrameRecord value = EvaluateChannels(motion, seconds);
        value.frame = record.frame;
        return value;
    }
    // Version 1: linear between the key records, end values beyond them.
    const std::vector<KeyFrameRecord>& keys = item.keys;
    if (keys.empty()) return record;
    size_t next = 0;
    while (next < keys.size() && keys[next].frame <= frame) ++next;
    const KeyFrameRecord& a = keys[next == 0 ? 0 : next - 1];
    const KeyFrameRecord& b = keys[next < keys.size() ? next : keys.size() - 1];
    const double span = static_cast<double>(b.frame) - a.frame;
    const float f = span > 0.0 ? static_cast<float>(std::clamp((frame - a.frame) / span, 0.0, 1.0)) : 0.0f;
    for (int c = 0; c < 3; ++c) {
        record.position[c] = a.position[c] + (b.position[c] - a.position[c]) * f;
        record.rotation[c] = a.rotation[c] + (b.rotation[c] - a.rotation[c]) * f;
        record.scale[c] = a.scale[c] + (b.scale[c] - a.scale[c]) * f;
    }
    return record;
}

bool ReadScene(std::string_view text, Scene& scene) {
    scene = Scene{};
    SceneParser parser(text, scene);
    if (parser.Run()) return true;
    scene = Scene{};
    return false;
}

}  // namespace lws
