// Command-line options of the launcher: where the data is, headless and
// windowed runs, the deterministic clock, frame capture, video recording,
// frame limit, input script, and the progress report of a run.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

enum class LaunchAction { Run, Help, Version, Error };

struct LaunchOptions {
    PlatOptions platform{};            // strings point into argv
    const char* dataDir = nullptr;     // changed to before start-up when given
    bool progress = false;             // progress lines, scene-change screenshots and a summary
    const char* shotFormat = "tga";    // file type of screenshots and captured frames: "tga" or "png"
    bool desktopMode = false;          // --mode desktop: the display's size at 32 bits (platform.mode* stay 0)
    const char* file = nullptr;        // FILE: a scene, an object or a demo folder (points into argv)
    const char* contentDir = nullptr;  // --content DIR: where a scene's paths start
    const char* videoPath = nullptr;   // --video: record the run into this .mkv or .mp4 file
    int videoQuality = -1;             // --video-quality: H.264 constant rate factor 0-51, -1 the default
};

// Frame sizes --mode accepts.
constexpr int kMinModeWidth = 320, kMinModeHeight = 200, kMaxModeWidth = 3840, kMaxModeHeight = 2160;
constexpr int kMaxThreads = 64;

// Reads argv into options. On Error a one-line reason is written to error.
// The options of the last parse are also kept as the run's options.
LaunchAction ParseLaunchOptions(int argc, char** argv, LaunchOptions& options, char* error, size_t errorSize);

// The run's one set of options: the program parses into it and completes it
// (paths made absolute) before start-up; every module reads it here (all
// defaults until then).
LaunchOptions& RunOptions();
const LaunchOptions& RunLaunchOptions();

// The --help text.
const char* LaunchUsage();

// path taken from the folder base (which ends in '/') when it is relative;
// an absolute or empty path is returned as it is. The program changes into
// its data folder before start-up, so every path given on the command line is
// made absolute this way first.
std::string PathFromFolder(const char* base, const char* path);
