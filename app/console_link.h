// The engine's console and screenshot exports, bound weakly.
//
// TODO: the engine console (engine/console) and screenshots (engine/screenshot)
// are still being written. Until libt7gfx.so exports them, these references
// resolve to null and the program runs without a console and without F3
// screenshots. Once they are in place the weak binding can go: every call site
// already goes through the checks below.
#pragma once

#include "tessaly/engine_api.h"

#pragma weak r_ConsoleInit
#pragma weak r_ConsoleDeInit
#pragma weak r_ConsolePrintLine
#pragma weak r_ConsoleAddChar
#pragma weak r_ConsoleGetLine
#pragma weak r_ConsoleGetCommand
#pragma weak r_ConsoleHasCommandAvailable
#pragma weak r_ConsoleCommandAccepted
#pragma weak r_ScreenShot

// True when the engine provides its text console.
inline bool EngineHasConsole() {
    return &r_ConsoleInit != nullptr && &r_ConsolePrintLine != nullptr && &r_ConsoleAddChar != nullptr &&
           &r_ConsoleGetLine != nullptr && &r_ConsoleGetCommand != nullptr &&
           &r_ConsoleHasCommandAvailable != nullptr && &r_ConsoleCommandAccepted != nullptr;
}

inline bool EngineHasScreenShot() { return &r_ScreenShot != nullptr; }

// Prints one line on the console when there is one.
inline void ConsolePrint(const char* text) {
    if (EngineHasConsole()) r_ConsolePrintLine(text);
}
