// Start-up, engine set-up and shutdown of the program, and the whole run.
#pragma once

#include "tessaly/export.h"

// The whole program: options, start-up, main loop, shutdown. Returns the
// process exit code: 0 after a normal run, 1 when the engine cannot start or
// the options are unusable, a quit message's own code.
int RunProgram(int argc, char** argv);

// Start-up in its fixed order up to the main loop. 0 when the program can
// run, otherwise the exit code (the engine could not be initialised).
int StartUp();
// The program's window: a small borderless one that full screen takes over,
// or with --window an ordinary resizable one at the chosen mode's size.
PlatWindow* CreateProgramWindow();
// Card and mode search in three passes (hardware full screen, any full
// screen, windowed) and the engine's stores, viewport and frustum. False when
// not even the windowed set-up works.
bool SetUpEngine();
// The demo's horizontal field of view (radians) for a frame of width x height:
// 1 across a 4:3 frame; a wider frame keeps that frame's vertical view and so
// sees more at the sides, a narrower one less.
float DemoFieldOfView(int width, int height);
// Stops the demo and releases the engine, its back-end and the input library.
void ShutDown();
