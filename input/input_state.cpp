// The input library's exports: device set-up, the two-frame state window and
// the queries over it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/result_texts.h"
#include "input/input_devices.h"
#include "platform/platform.h"
#include "tessaly/input_api.h"

namespace {

char g_message[256];                                           // the text T7I_Init returns
std::unique_ptr<InputSystem> g_system;                         // null when it could not be created
std::unique_ptr<InputDevice> g_keyboard, g_mouse, g_joystick;  // null when absent

uint8_t g_keys[kKeyboardStateSize];     // this frame, by scan code
uint8_t g_oldKeys[kKeyboardStateSize];  // the previous update's
MouseState g_mouseNow, g_mouseOld;
JoystickState g_joystickNow, g_joystickOld;  // kept, not exposed

// The three devices in the order they are set up and read.
struct DeviceSlot {
    std::unique_ptr<InputDevice>* device;
    void* now;
    void* old;
    size_t size;
    const char* name;        // piece of the T7I_Init text
    const char* sharedStep;  // caption when shared access fails
    const char* formatStep;  // caption when the data format fails
};

const DeviceSlot kSlots[] = {
    {&g_keyboard, g_keys, g_oldKeys, sizeof g_keys, " Keyboard ", "Setting DI Non Exclusive mode (KEYB)",
     "Setting DI Data Format"},
    {&g_mouse, &g_mouseNow, &g_mouseOld, sizeof g_mouseNow, " Mouse ", "Setting DI Non Exclusive mode(Mouse)",
     "Setting DI Mouse Data Format"},
    {&g_joystick, &g_joystickNow, &g_joystickOld, sizeof g_joystickNow, " Joystick ",
     "Setting DI Non Exclusive mode (KEYB)", "Setting DI Data Format"},
};

// A set-up step that must not fail: a warning box with the result's text,
// then the process ends. It ends with a failure code, since it did not succeed.
void Guarded(int32_t result, const char* step) {
    if (result >= 0) return;
    plat_MessageBox(nullptr, DxResultText(result, DxResultProfile::Input), step, PLAT_MB_ICONWARNING);
    std::exit(1);
}

void Append(const char* piece) {
    const size_t used = std::strlen(g_message);
    snprintf(g_message + used, sizeof g_message - used, "%s", piece);
}

// 2 held, 1 pressed since the last update, 0 up.
int Query(uint8_t now, uint8_t old) {
    if (!now) return 0;
    return old ? 2 : 1;
}

}  // namespace

TESSALY_EXPORT const char* T7I_Init(void* /*instance*/, PlatWindow* window) {
    const int32_t created = CreateInputSystem(window, g_system);
    if (created < 0) {
        g_system.reset();
        snprintf(g_message, sizeof g_message, "T7I_Init DICreate Error : %s",
                 DxResultText(created, DxResultProfile::Input));
        return g_message;
    }

    g_keyboard = g_system->CreateDevice(DeviceKind::Keyboard);
    g_mouse = g_system->CreateDevice(DeviceKind::Mouse);
    g_joystick = g_system->CreateDevice(DeviceKind::Joystick);

    for (const DeviceSlot& slot : kSlots) {
        InputDevice* device = slot.device->get();
        if (!device) continue;
        if (device->SetCooperativeLevel(true) < 0) Guarded(device->SetCooperativeLevel(false), slot.sharedStep);
        Guarded(device->SetDataFormat(slot.size), slot.formatStep);
        Guarded(device->Acquire(), "Acquiring DI Device");
    }
    for (const DeviceSlot& slot : kSlots) std::memset(slot.now, 0, slot.size);

    snprintf(g_message, sizeof g_message, "T7I_Init Devices Created : ");
    for (const DeviceSlot& slot : kSlots) {
        if (*slot.device) Append(slot.name);
    }
    return g_message;
}

TESSALY_EXPORT void T7I_DeInit(void) {
    // Devices go while still acquired, then the input system. Releasing cannot
    // fail here, and the handles are cleared so that a late call finds no device.
    for (const DeviceSlot& slot : kSlots) slot.device->reset();
    g_system.reset();
}

TESSALY_EXPORT int T7I_UpdateInput(void) {
    for (const DeviceSlot& slot : kSlots) {
        std::memcpy(slot.old, slot.now, slot.size);
        std::memset(slot.now, 0, slot.size);
    }
    int32_t result = kInputOk;
    for (const DeviceSlot& slot : kSlots) {
        InputDevice* device = slot.device->get();
        if (!device) continue;
        result = device->GetDeviceState(slot.now, slot.size);
        if (result >= 0) continue;
        // Nothing of a failed read counts: the device reads all up this frame.
        std::memset(slot.now, 0, slot.size);
        if (result == kInputErrInputLost || result == kInputErrNotAcquired) {
            result = device->Acquire();
            if (result < 0) return result;
        }
    }
    return result;
}

TESSALY_EXPORT int T7I_CheckKey(int key) {
    if (key < 0 || key >= static_cast<int>(kKeyboardStateSize)) return 0;
    return Query(g_keys[key], g_oldKeys[key]);
}

TESSALY_EXPORT int T7I_CheckMouseButton(int button) {
    if (button < 0 || button >= 4) return 0;
    return Query(g_mouseNow.buttons[button], g_mouseOld.buttons[button]);
}

TESSALY_EXPORT int T7I_CheckMouseAxis(int axis) {
    switch (axis) {
        case 0:
            return g_mouseNow.x;
        case 1:
            return g_mouseNow.y;
        case 2:
            return g_mouseNow.z;
        default:
            return 0;
    }
}

TESSALY_EXPORT uint8_t* T7I_GetKeyboardPointer(void) { return g_keys; }
TESSALY_EXPORT uint8_t* T7I_GetOldKeyboardPointer(void) { return g_oldKeys; }
