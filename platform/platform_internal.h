// State shared between the platform layer's own modules; never exported.
#pragma once

#include <cstdint>

namespace plat_internal {

// True once SDL video is up (initialised lazily, on first need, at most once)
// and the run is not forced headless.
bool VideoReady();

// Loads the input script; false (after a message on standard error) when the
// file cannot be read. Replaces any script loaded before.
bool LoadScript(const char* path);
// Forgets the script: keys all up, no movement.
void ClearScript();

// Starts a fresh run: presented-frame count and the fixed clock back to zero.
void ResetClock();
// Empties the queue of posted messages and forgets a pending signal.
void ResetMessages();
// Routes SIGINT and SIGTERM to one close message each time they arrive.
void InstallSignalHandlers();
// True once since the last call when the window was uncovered or resized, so
// the frame it shows needs painting again.
bool TakeRepaintRequest();

}  // namespace plat_internal
