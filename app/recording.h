// Video recording of a run (--video): the recorder (libt7video) takes every
// capture slot of the platform and the music library's clocked mix, and
// finishes its file at shutdown.
#pragma once

#include <string>

#include "app/launcher_options.h"

// Opens the recorder for path (already absolute) and connects it to the
// platform's frame and sound sinks; call after plat_Configure, before
// start-up. False after a message on standard error.
bool StartRecording(const LaunchOptions& options, const std::string& path);
// Fills the capture slots up to the clock (the program's last wait), then
// finishes the file and disconnects the recorder. Harmless when none is open.
void StopRecording();
