// Finding, loading and binding format plug-ins.
#include "engine/pictures/format_plugin.h"

#include <cstdio>
#include <cstring>

#include "engine/raster_link/raster_link.h"
#include "platform/platform.h"

void PluginFileName(const char* name, char* out, size_t outSize) {
    if (outSize == 0) return;
    if (!name) name = "";
    const char* dot = std::strrchr(name, '.');
    const char* extension = dot ? dot + 1 : name;
    std::snprintf(out, outSize, "%s.dll", extension);
}

PluginLibrary::PluginLibrary(const char* fileName) : handle_(plat_LoadLibrary(fileName)) {}

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
    EngineMessage(cb, "Link2DFunctions : Error, Unable to load %s from %s\n", entry, pluginFile);
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
