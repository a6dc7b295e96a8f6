// Finding, loading and binding format plug-ins.
#include "engine/pictures/format_plugin.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "engine/messages/messages.h"
#include "platform/platform.h"

bool PluginFileName(const char* name, char* out, size_t outSize) {
    if (!name) name = "";
    const char* dot = std::strrchr(name, '.');
    const char* extension = dot ? dot + 1 : name;
    if (outSize > 0) std::snprintf(out, outSize, "%s.dll", extension);
    return dot != nullptr && dot[1] != '\0';
}

void ReportUnusablePlugin(const char* pluginFile, const char* problem) {
    static std::set<std::string> reported;  // lower-cased plug-in names already reported
    std::string key = pluginFile ? pluginFile : "";
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!reported.insert(key).second) return;
    EngineReport("Plug-in %s %s", pluginFile ? pluginFile : "", problem);
}

PluginLibrary::PluginLibrary(const char* fileName, bool report) : handle_(plat_LoadLibrary(fileName)) {
    if (handle_ || !report) return;
    char problem[2200];
    std::snprintf(problem, sizeof problem, "cannot be loaded: %s", plat_LibraryError());
    ReportUnusablePlugin(fileName, problem);
}

PluginLibrary::~PluginLibrary() { Release(); }

void PluginLibrary::Release() {
    if (handle_) plat_FreeLibrary(handle_);
    handle_ = nullptr;
}

namespace {

// Binds one entry of a plug-in's list into its table slot. A missing entry is
// reported through cb as "<linker> : Error, Unable to load <entry> from
// <pluginFile>" and the plug-in reported as unusable.
template <typename Fn>
bool BindEntry(void* library, const char* linker, const char* entry, const char* pluginFile, Fn& slot,
               r_MsgCallback cb) {
    slot = reinterpret_cast<Fn>(plat_GetProcAddress(library, entry));
    if (slot) return true;
    char problem[2200];
    std::snprintf(problem, sizeof problem, "cannot be used: %s", plat_LibraryError());
    EngineMessage(cb, "%s : Error, Unable to load %s from %s\n", linker, entry, pluginFile);
    ReportUnusablePlugin(pluginFile, problem);
    return false;
}

}  // namespace

// Each binds the entries of its boundary's list in order and stops at the
// first missing one.
#define BIND_PLUGIN_ENTRY(field, type, exportName) \
    &&BindEntry(library, linker, #exportName, pluginFile, table.field, cb)

bool Link3DFunctions(void* library, const char* pluginFile, ModelPluginTable& table, r_MsgCallback cb) {
    const char* linker = "Link3DFunctions";
    table = ModelPluginTable{};
    const bool linked = true TESSALY_MODEL_PLUGIN_ENTRIES(BIND_PLUGIN_ENTRY);
    if (!linked) table = ModelPluginTable{};
    return linked;
}

bool Link2DFunctions(void* library, const char* pluginFile, ImagePluginTable& table, r_MsgCallback cb) {
    const char* linker = "Link2DFunctions";
    table = ImagePluginTable{};
    const bool linked = true TESSALY_IMAGE_PLUGIN_ENTRIES(BIND_PLUGIN_ENTRY);
    if (!linked) table = ImagePluginTable{};
    return linked;
}
#undef BIND_PLUGIN_ENTRY
