// The progress report of a run (--progress): a progress line every few
// seconds of wall time (scene, frame, frames per second), a screenshot in the
// shots folder one second into every scene and at the end, and a one-line summary.
// Without the option every call does nothing.
#pragma once

#include <cstddef>

// Starts the report when the run's options ask for one: clocks, counters and
// the screenshot of the first scene.
void ReportRunStart();
// After every pass of the main loop: a scene's screenshot one second into it,
// and a progress line when one is due.
void ReportRunFrame();
// The end screenshot and the summary line.
void ReportRunEnd();

// The summary line: "summary: F frames in S s, A fps average" ("1 frame"; the
// average is 0 for a run too short to time).
void FormatRunSummary(long frames, double seconds, char* out, size_t outSize);
// The first free screenshot name dir + prefix + NNN + "." + extension as the
// engine picks it; false when every number is taken or the name does not fit.
bool NextShotName(const char* dir, const char* prefix, char* out, size_t outSize, const char* extension = "tga");
