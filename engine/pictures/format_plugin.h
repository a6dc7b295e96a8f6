// Format plug-ins: the libraries the engine loads by a file's extension for one
// load (model plug-ins) or one read or write (image plug-ins). Internal to
// libt7gfx.so; the model store, the picture stores and screenshots use it.
#pragma once

#include <cstddef>

#include "tessaly/plugin_interface.h"

// The library file name of the plug-in for a file name: the characters after
// the last '.' of name (the whole name when it has no '.') followed by ".dll".
// Written into out, cut to outSize. True when name has an extension, that is
// when it names a format at all.
bool PluginFileName(const char* name, char* out, size_t outSize);

// Reports through the engine's report callback that the plug-in pluginFile
// cannot be used (problem: what went wrong, with the platform's reason), once
// per plug-in name for the process (names compared without regard to case):
// every model or picture of that type fails the same way, one line says it.
void ReportUnusablePlugin(const char* pluginFile, const char* problem);

// A plug-in library loaded for the length of one operation; released when
// it goes out of scope (or earlier through Release).
class PluginLibrary {
public:
    // Loads the library through the platform's lookup; Loaded() tells the
    // outcome. A library that cannot be loaded is reported (ReportUnusablePlugin)
    // when report is set: a file name without an extension names no plug-in
    // worth reporting, only an unknown format.
    explicit PluginLibrary(const char* fileName, bool report = true);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    void* Handle() const { return handle_; }
    void Release();

private:
    void* handle_;
};

// Binds the four image plug-in entries in their order: r_Load2D,
// r_GetImageData, r_GetImagePointer, r_Save2D. A missing entry reports
// "Link2DFunctions : Error, Unable to load <entry> from <pluginFile>" through
// cb, reports the plug-in as unusable and gives false with the whole table cleared.
bool Link2DFunctions(void* library, const char* pluginFile, ImagePluginTable& table, r_MsgCallback cb);

// The same for the eight model plug-in entries (r_Load3D, r_ExportMD,
// r_ExportMD2, r_GetSurfacesNum, r_GetSurfacePolys, r_GetMaxTexturesNum,
// r_GetSurfaceTextureName, r_HasTexture), reported as "Link3DFunctions : ...".
bool Link3DFunctions(void* library, const char* pluginFile, ModelPluginTable& table, r_MsgCallback cb);
