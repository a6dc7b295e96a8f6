// The soak's timeline: which key goes down at which presented frame so that
// one process plays the demo several times in a row (each pass ended in the
// end title by F4, the scenes loaded again through the console with LOAD, the
// demo restarted by F4), then walks through the scenes for a number of frames
// and quits with Escape. The timeline is written as an input script for the
// platform's scripted input.
#pragma once

#include <string>
#include <vector>

namespace soak {

struct PlanSettings {
    int fps = 4;              // the fixed rate; divides 1000 so every frame is a whole number of milliseconds
    int passes = 3;           // demo passes
    long walkFrames = 20000;  // walk-mode frames after the last pass
    int startupFrames = 3;    // frames the program presents before its main loop
    std::vector<std::string> reloads = {"main", "inner", "endtitle", "intromask"};  // LOAD between passes
};

// Demo frames from the first frame of a pass to the first frame of the end title.
long FramesToEndTitle(int fps);
// Frames of the end title before the end sequence starts.
long EndTitleFrames(int fps);

struct Plan {
    std::string script;          // the input script
    std::vector<long> passEnds;  // frame of each pass's F4 (demo to walk mode)
    long walkStart = 0;          // first walk frame after the last pass
    long escape = 0;             // frame of the Escape that ends the run
    long frameLimit = 0;         // safety net: the run is closed after this many frames
};

// Builds the script for the settings. Slot changes in walk mode (F2 to the main
// scene, F1 to slot 0), moves, mouse turns and two screenshots are spread over
// the walk so that it passes through three scenes.
Plan MakePlan(const PlanSettings& settings);

}  // namespace soak
