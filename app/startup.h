// Start-up, engine set-up and shutdown of the program, and the whole run.
#pragma once

#include <string>

#include "tessaly/export.h"

// The whole program: options, start-up, main loop, shutdown. Returns the
// process exit code: 0 after a normal run, 1 when the engine or its raster
// back-end cannot start, 2 when the options are unusable or the data folder
// does not hold the demo, a quit message's own code.
int RunProgram(int argc, char** argv);

// Checks that the data folder (absolute, ending in '/') holds what the demo
// needs (DemoFolderProblems); otherwise names every problem on standard error
// and gives false (the program then ends with exit code 2). Only the demo
// needs this folder.
bool DemoFolderReady(const std::string& dataFolder);

// Sends the engine's reports to the user and links the raster back-end. When
// it cannot be loaded or bound, one message on standard error names it, where
// it was looked for and the loader's reason, and the result is false (the
// program then ends with exit code 1 before any window opens).
bool LinkBackEnd();

// The engine up without any data: the back-end linked, the window, the card
// and mode, the stores, the frame size and the console with its reports. On
// failure everything set up is released again and the result is false.
bool StartEngine();
// Start-up in its fixed order up to the main loop, with the demo's folders
// (maps/, meshes/, shots/, images/, music/, scenes/) below dataFolder
// (absolute, ending in '/'). 0 when the program can run, otherwise the exit
// code (the engine could not be initialised).
int StartUp(const std::string& dataFolder);
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
