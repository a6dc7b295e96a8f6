// The input library (libT7I.so): keyboard, mouse and joystick state read once
// per frame, with the previous frame's copy beside it. Keys are DirectInput
// scan codes (DIK_ values), mouse buttons 0..3, mouse axes 0 x, 1 y, 2 wheel.
// Headless or scripted runs read the script source of the platform layer.
#pragma once

#include <cstdint>

#include "tessaly/export.h"

// Creates the devices. Returns the library's message buffer: "T7I_Init Devices
// Created : " followed by " Keyboard ", " Mouse ", " Joystick " for each device.
TESSALY_EXPORT const char* T7I_Init(void* instance, PlatWindow* window);
TESSALY_EXPORT void T7I_DeInit(void);
// Copies current to previous, clears current, reads every device. Returns the
// last read result (negative on failure).
TESSALY_EXPORT int T7I_UpdateInput(void);
// 0 up (or released since the last update), 1 pressed since the last update, 2 held.
TESSALY_EXPORT int T7I_CheckKey(int key);
TESSALY_EXPORT int T7I_CheckMouseButton(int button);
// Movement since the last read on axis 0, 1 or 2; 0 for any other axis.
TESSALY_EXPORT int T7I_CheckMouseAxis(int axis);
// The 256 current / previous key bytes (non-zero = down); they change at the
// next T7I_UpdateInput.
TESSALY_EXPORT uint8_t* T7I_GetKeyboardPointer(void);
TESSALY_EXPORT uint8_t* T7I_GetOldKeyboardPointer(void);

// DirectInput scan codes used by the program.
enum DikCode : int {
    DIK_ESCAPE = 0x01,
    DIK_1 = 0x02,
    DIK_0 = 0x0B,
    DIK_MINUS = 0x0C,
    DIK_BACK = 0x0E,
    DIK_LBRACKET = 0x1A,
    DIK_RBRACKET = 0x1B,
    DIK_RETURN = 0x1C,
    DIK_A = 0x1E,
    DIK_SEMICOLON = 0x27,
    DIK_GRAVE = 0x29,
    DIK_LSHIFT = 0x2A,
    DIK_BACKSLASH = 0x2B,
    DIK_Z = 0x2C,
    DIK_COMMA = 0x33,
    DIK_PERIOD = 0x34,
    DIK_RSHIFT = 0x36,
    DIK_MULTIPLY = 0x37,
    DIK_SPACE = 0x39,
    DIK_F1 = 0x3B,
    DIK_F2 = 0x3C,
    DIK_F3 = 0x3D,
    DIK_F4 = 0x3E,
    DIK_F10 = 0x44,
    DIK_SUBTRACT = 0x4A,
    DIK_ADD = 0x4E,
    DIK_DECIMAL = 0x53,
    DIK_DIVIDE = 0xB5,
    DIK_RMENU = 0xB8,
    DIK_UP = 0xC8,
    DIK_PRIOR = 0xC9,
    DIK_LEFT = 0xCB,
    DIK_RIGHT = 0xCD,
    DIK_DOWN = 0xD0,
    DIK_NEXT = 0xD1,
    DIK_DELETE = 0xD3,
};
