// The main loop: messages, the console toggle, console frames and 3D frames,
// frame-rate measurement, the input update and the run's progress report.
#pragma once

// Runs framePass until F10, the quit flag, a close message or a quit message,
// reporting the run's progress. Returns the exit code: 0, or the code a quit
// message carries.
int RunLoop(void (*framePass)());
// The demo's loop: RunLoop over RunFramePass.
int RunMainLoop();
// One pass of the loop after its messages: the console toggle, a console frame
// or sceneFrame, the frame-rate measurement and the input update.
void FramePass(void (*sceneFrame)());
// The demo's pass: FramePass over the demo or walk frame.
void RunFramePass();
// One frame of the full-screen text console.
void ConsoleFrame();
// Every 2 seconds of the FPS stopwatch: frames counted since the last measurement / elapsed.
void MeasureFrameRate();
