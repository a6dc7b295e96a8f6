// Command-line options of the launcher: where the data is, headless and
// windowed runs, the deterministic clock, frame capture, frame limit, input script.
#pragma once

#include <cstddef>

#include "platform/platform.h"

enum class LaunchAction { Run, Help, Version, Error };

struct LaunchOptions {
    PlatOptions platform{};        // strings point into argv
    const char* dataDir = nullptr; // changed to before start-up when given
};

// Reads argv into options. On Error a one-line reason is written to error.
LaunchAction ParseLaunchOptions(int argc, char** argv, LaunchOptions& options, char* error, size_t errorSize);

// The --help text.
const char* LaunchUsage();
