// Keyboard scan codes: SDL's key positions to DirectInput scan codes (DIK_).
#pragma once

#include <cstdint>
#include <span>

#include <SDL_scancode.h>

struct ScanCodePair {
    SDL_Scancode sdl;
    uint8_t dik;
};

// Every key of a PC keyboard (main block, function keys, editing block,
// arrows, numeric pad, system, national and media keys). Each SDL key appears
// once; the ISO key beside Return shares the backslash code, as it does on a
// PC keyboard.
std::span<const ScanCodePair> ScanCodePairs();
