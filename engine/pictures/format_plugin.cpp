// Finding, loading and binding format plug-ins.
#include "engine/pictures/format_plugin.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "engine/raster_link/raster_link.h"
#include "platform/platform.h"

void PluginFileName(const char* name, char* out, size_t outSize) {
    if (outSize == 0) return;
    if (!name) name = "";
    const char* dot = std::strrchr(name, '.');
    const char* extension = dot ? dot + 1 : name;
    std::snprintf(out, outSize, "%s.dll", extension);
}

void ReportUnusablePlugin(const char* pluginFile, const char* problem) {
    static std::set<std::string> reported;  // lower-cased plug-in names already reported
    std::string key = pluginFile ? pluginFile : "";
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!reported.insert(key).second) return;
    EngineReport("Plug-in %s %s", pluginFile ? pluginFile : "", problem);
}

PluginLibrary::PluginLibrary(const char* fileName) : handle_(plat_LoadLibrary(fileName)) {
    if (handle_) return;
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

template <typename Fn>
bool BindEntry(void* library, const char* entry, const char* pluginFile, Fn& slot, r_MsgCallback cb) {
    slot = reinterpret_cast<Fn>(plat_GetProcAddress(library, entry));
    if (slot) return true;
    char problem[2200];
    std::snprintf(problem, sizeof problem, "cannot be used: %s", plat_LibraryError());
    EngineMessage(cb, "Link2DFunctions : Error, Unable to load %s from %s\n", entry, pluginFile);
    ReportUnusablePlugin(pluginFile, problem);
    return false;
}

}  // namespace

bool Link2DFunctions(void* library, const char* pluginFile, ImagePluginTable& table, r_MsgCallback cb) {
    table = ImagePluginTable{};
    const bool linked = BindEntry(library, "r_Load2D", pluginFile, table.Load2D, cb) &&
                        BindEntry(library, "r_GetImageData", pluginFile, table.GetImageData, cb) &&
                        BindEntry(library, "r_GetImagePointer", pluginFile, table.GetImagePointer, cb) &&
                        BindEntry(library, "r_Save2D", pluginFile, table.Save2D, cb);
    if (!linked) table = ImagePluginTable{};
    return linked;
}
