// The viewer: `tessaly FILE` for one LightWave scene or object. A scene plays
// through its own camera with its lights, frame range and rate; an object is
// framed in view under a key and a fill light and turns under the mouse.
#pragma once

#include <string>

enum class InputFileKind { Scene, Object, Folder, Other, Missing };

// What FILE is: a .lws or .lwo by its extension (without regard to case), a
// folder, something else, or nothing at that path.
InputFileKind ClassifyInputFile(const char* path);

// The whole viewer run over the launcher's options (already parsed). Returns
// the exit code: 0 after a normal run, 1 when the engine cannot start, 2 when
// the file is not a scene or object or nothing in it could be loaded.
int RunViewer(const char* file, InputFileKind kind);

// True while the viewer runs (the console's LOAD then loads into it).
bool ViewerActive();
// Console LOAD in the viewer: opens a scene file (or object) in place of the
// current one, printing each failure on the console. False when nothing of it
// could be shown (the previous content is then gone as well).
bool ViewerLoadFromConsole(const char* path);
