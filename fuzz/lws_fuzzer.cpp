// Scene files: the text is read as r_LoadAnim reads a file, and the scene's
// promises to its callers are checked: names fit the callers' 256-byte copies,
// parents name an existing object and never form a loop, keys come in ascending frames.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "lws/scene_reader.h"

namespace {

void CheckItems(const std::vector<lws::SceneItem>& items, size_t objects, bool named) {
    FUZZ_CHECK(items.size() <= lws::kMaxItems);
    for (const lws::SceneItem& item : items) {
        if (named) FUZZ_CHECK(item.name.size() <= lws::kMaxNameLength);
        FUZZ_CHECK(item.parent == -1 || (item.parent >= 0 && size_t(item.parent) < objects));
        for (size_t k = 1; k < item.keys.size(); ++k) FUZZ_CHECK(item.keys[k - 1].frame <= item.keys[k].frame);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    lws::Scene scene;
    if (!lws::ReadScene(text, scene)) return 0;
    const size_t objects = scene.objects.size();
    CheckItems(scene.objects, objects, true);
    CheckItems(scene.lights, objects, false);
    CheckItems(scene.cameras, objects, false);
    // Following object parents always ends.
    for (size_t i = 0; i < objects; ++i) {
        int at = scene.objects[i].parent;
        for (size_t steps = 0; at >= 0; ++steps) {
            FUZZ_CHECK(steps < objects);
            at = scene.objects[size_t(at)].parent;
        }
    }
    return 0;
}
