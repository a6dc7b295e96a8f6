// Reading a scene file: one keyword line after another, each item starting at
// its Load/Add line and collecting the lines that follow until the next item.
#include "lws/scene_reader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

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
    SceneParser(std::string_view text, Scene& scene) : reader_(text), scene_(scene) {}
    bool Run();

private:
    void Keyword(std::string_view word, std::string_view rest);
    SceneItem* Current();
    void Start(ItemKind kind, std::string_view name);
    std::string_view SkipItemId(std::string_view rest) const;
    void ReadMotionOf(ItemKind kind);
    void ResolveParents();

    LineReader reader_;
    Scene& scene_;
    int version_ = 0;
    double framesPerSecond_ = kDefaultFramesPerSecond;
    ItemKind current_ = ItemKind::None;
};

bool SceneParser::Run()
{
    std::string_view line;
    if (!reader_.Next(line))
        return false;
    if (line.substr(0, 3) == "\xEF\xBB\xBF")  // a byte-order mark some editors write
        line.remove_prefix(3);
    if (line != "LWSC")
        return false;
    if (!reader_.Next(line) || !ReadCountLine(line, version_) || version_ < 1 || version_ > 5)
        return false;

    while (reader_.Next(line)) {
        std::string_view rest;
        const std::string_view word = FirstWord(line, rest);
        if (!word.empty())
            Keyword(word, rest);
    }
    ResolveParents();
    return true;
}

SceneItem* SceneParser::Current()
{
    std::vector<SceneItem>* items = nullptr;
    switch (current_) {
    case ItemKind::Object: items = &scene_.objects; break;
    case ItemKind::Light: items = &scene_.lights; break;
    case ItemKind::Camera: items = &scene_.cameras; break;
    default: return nullptr;
    }
    return items->empty() ? nullptr : &items->back();
}

void SceneParser::Start(ItemKind kind, std::string_view name)
{
    std::vector<SceneItem>* items = kind == ItemKind::Object  ? &scene_.objects
                                    : kind == ItemKind::Light ? &scene_.lights
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

// Versions 3 and later may put an 8-digit hex item id before a name or path.
std::string_view SceneParser::SkipItemId(std::string_view rest) const
{
    if (version_ < 3)
        return rest;
    std::string_view after;
    const std::string_view word = FirstWord(rest, after);
    uint32_t id = 0;
    if (word.size() == 8 && !after.empty() && ReadItemId(word, id))
        return after;
    return rest;
}

void SceneParser::ReadMotionOf(ItemKind kind)
{
    const Motion motion = ReadMotion(reader_, version_);
    SceneItem* item = Current();
    if (current_ == kind && item != nullptr)
        item->keys = BuildKeyFrames(motion, framesPerSecond_);
}

void SceneParser::Keyword(std::string_view word, std::string_view rest)
{
    if (word == "FramesPerSecond") {
        double fps = 0.0;
        if (ReadNumbers(rest, &fps, 1) == 1 && fps > 0.0)
            framesPerSecond_ = fps;
    } else if (word == "LoadObject") {
        Start(ItemKind::Object, FileNameOfPath(rest));
    } else if (word == "LoadObjectLayer") {
        std::string_view path;
        FirstWord(rest, path);  // the layer number
        Start(ItemKind::Object, FileNameOfPath(SkipItemId(path)));
    } else if (word == "AddNullObject") {
        Start(ItemKind::Object, SkipItemId(rest));
    } else if (word == "AddLight") {
        Start(ItemKind::Light, {});
    } else if (word == "AddCamera") {
        Start(ItemKind::Camera, {});
    } else if (word == "AddBone" || word == "AddSkelegon") {
        current_ = ItemKind::Other;  // bones and their settings are not read
    } else if (word == "ShowCamera") {
        // Version 1 has one camera without an AddCamera line.
        if (current_ != ItemKind::Camera)
            Start(ItemKind::Camera, {});
    } else if (word == "ObjectMotion") {
        ReadMotionOf(ItemKind::Object);
    } else if (word == "LightMotion") {
        ReadMotionOf(ItemKind::Light);
    } else if (word == "CameraMotion") {
        if (current_ != ItemKind::Camera)
            Start(ItemKind::Camera, {});
        ReadMotionOf(ItemKind::Camera);
    } else if (word == "ParentObject") {
        // Versions 1 and 2: objects counted from 1.
        SceneItem* item = Current();
        int number = 0;
        if (item != nullptr)
            item->parent = ReadCountLine(rest, number) && number >= 1 ? number - 1 : -1;
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
    } else if (word == "PivotPoint" || word == "PivotPosition") {
        SceneItem* item = Current();
        double xyz[3] = {};
        if (item != nullptr && ReadNumbers(rest, xyz, 3) == 3) {
            const auto toFloat = [](double v) {
                return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX),
                                                     static_cast<double>(FLT_MAX)));
            };
            item->pivot = Vector3{toFloat(xyz[0]), toFloat(xyz[1]), toFloat(xyz[2])};
        }
    }
}

// Parents name objects of this scene. A parent beyond the objects gives -1,
// and a chain of object parents that leads back to itself is cut where it
// closes, so following parents always ends.
void SceneParser::ResolveParents()
{
    const int objectCount = static_cast<int>(scene_.objects.size());
    const auto check = [objectCount](SceneItem& item) {
        if (item.parent < 0 || item.parent >= objectCount)
            item.parent = -1;
    };
    for (auto* items : {&scene_.objects, &scene_.lights, &scene_.cameras})
        for (SceneItem& item : *items)
            check(item);

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
        for (int index : path)
            state[index] = kDone;
    }
}

}  // namespace

std::string_view FileNameOfPath(std::string_view path)
{
    const size_t separator = path.find_last_of("\\/:");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

bool ReadScene(std::string_view text, Scene& scene)
{
    scene = Scene{};
    SceneParser parser(text, scene);
    if (parser.Run())
        return true;
    scene = Scene{};
    return false;
}

}  // namespace lws
