// The demo's music: two modules in the music folder, played by the music
// library (libmidas11). The library plays on its own thread; everything here
// runs on the main thread. A failing call is reported on standard output and
// closes the library, and the program carries on without music; a module that
// cannot be loaded is reported the same way but leaves the library open, so
// the other module still plays.
#pragma once

// Start-up (the caller checks the music flag): starts the library, loads both
// modules and starts the first, not looping.
void StartMusic();
// F4 turning demo mode back on: the first module again from its beginning,
// looping this time.
void RestartFirstModule();
// The scene director leaving slot 1 for slot 2: the second module takes over
// (or the music stops when it did not load).
void SwitchToSecondModule();
// Shutdown (the caller checks the music flag): stops playing, closes the library.
void StopMusic();
