// Conventions shared by every library boundary of Tessaly.
#pragma once

#include <cstdint>
#include <type_traits>

// Marks a function as one of a library's documented C exports. Everything else
// stays hidden (the build compiles with -fvisibility=hidden).
#define TESSALY_EXPORT extern "C" __attribute__((visibility("default")))

// Declares one export of a boundary list (X(field, type, exportName, ...)) with
// the list's type. A library that implements a boundary runs its list through
// it before defining the exports, so a definition of another type does not
// compile: TESSALY_IMAGE_PLUGIN_ENTRIES(TESSALY_DECLARE_EXPORT)
#define TESSALY_DECLARE_EXPORT(field, type, exportName, ...) TESSALY_EXPORT std::remove_pointer_t<type> exportName;

// Optional diagnostic sink handed to most engine, back-end and plug-in calls.
// It receives one zero-terminated message (valid only until the library formats
// its next message) and returns an int; the library calls it only when it is
// non-null, and where an operation returns the callback's result a null callback
// gives 0.
typedef int (*r_MsgCallback)(const char* message);

// Opaque window of the platform layer (platform/platform.h). A null window is
// allowed wherever a window may be absent (headless runs).
struct PlatWindow;
