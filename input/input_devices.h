// The device layer under the input library: an input system that creates the
// keyboard, mouse and joystick devices, and the operations the library uses on
// each device. Results are the platform's 32-bit result codes (negative on
// failure), so failures get their texts from DxResultText.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "tessaly/export.h"

constexpr int32_t kInputOk = 0;
constexpr int32_t kInputErrGeneric = static_cast<int32_t>(0x80004005);       // generic failure
constexpr int32_t kInputErrAccessDenied = static_cast<int32_t>(0x80070005);  // another application has priority
constexpr int32_t kInputErrNotAcquired = static_cast<int32_t>(0x8007000C);   // device not acquired
constexpr int32_t kInputErrInputLost = static_cast<int32_t>(0x8007001E);     // access to the device was lost
constexpr int32_t kInputErrInvalidParam = static_cast<int32_t>(0x80070057);  // wrong state size

enum class DeviceKind { Keyboard, Mouse, Joystick };

// State layouts read by GetDeviceState.
constexpr size_t kKeyboardStateSize = 256;  // one byte per scan code, 0x80 = down

struct MouseState {
    int32_t x, y, z;     // movement since the last read; z is the wheel (120 per notch)
    uint8_t buttons[4];  // left, right, middle, fourth; 0x80 = down
};
static_assert(sizeof(MouseState) == 16);

struct JoystickState {
    int32_t x, y, z;      // axes 0..65535, centre 32767 or 32768
    int32_t rx, ry, rz;   // rotation axes, same range
    int32_t sliders[2];   // further axes, same range
    uint32_t pov[4];      // hats in hundredths of a degree clockwise from north, 0xFFFFFFFF centred
    uint8_t buttons[32];  // 0x80 = down
};
static_assert(sizeof(JoystickState) == 80);

class InputDevice {
public:
    virtual ~InputDevice() = default;
    // Exclusive or shared access to the device while the window has the focus.
    virtual int32_t SetCooperativeLevel(bool exclusive) = 0;
    // Declares the size of the state the caller reads; it must be the device's own.
    virtual int32_t SetDataFormat(size_t stateSize) = 0;
    virtual int32_t Acquire() = 0;
    // Reads the complete state. Fails with kInputErrInputLost when access was
    // lost since the last read and kInputErrNotAcquired until acquired again.
    virtual int32_t GetDeviceState(void* state, size_t stateSize) = 0;
};

class InputSystem {
public:
    virtual ~InputSystem() = default;
    // Null when the device is not attached or cannot be opened.
    virtual std::unique_ptr<InputDevice> CreateDevice(DeviceKind kind) = 0;
};

// Opens the input system for the window (null or headless: scripted input).
// kInputOk with out set, or a failure code.
int32_t CreateInputSystem(PlatWindow* window, std::unique_ptr<InputSystem>& out);
