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

char gMessage[256];                     // the text T7I_Init returns
std::unique_ptr<InputSystem> gSystem;   // null when it could not be created
std::unique_ptr<InputDevice> gKeyboard, gMouse, gJoystick;  // null when absent

uint8_t gKeys[kKeyboardStateSize];      // this frame, by scan code
uint8_t gOldKeys[kKeyboardStateSize];   // the previous update's
MouseState gMouseNow, gMouseOld;
JoystickState gJoystickNow, gJoystickOld;  // kept, not exposed

// The three devices in the order they are set up and read.
struct DeviceSlot {
    std::unique_ptr<InputDevice>* device;
    void* now;
    void* old;
    size_t size;
    const char* name;          // piece of the T7I_Init text
    const char* sharedStep;    // caption when shared access fails
    const char* formatStep;    // caption when the data format fails
};

const DeviceSlot kSlots[] = {
    {&gKeyboard, gKeys, gOldKeys, sizeof gKeys, " Keyboard ", "Setting DI Non Exclusive mode (KEYB)",
     "Setting DI Data Format"},
    {&gMouse, &gMouseNow, &gMouseOld, sizeof gMouseNow, " Mouse ", "Setting DI Non Exclusive mode(Mouse)",
     "Setting DI Mouse Data Format"},
    {&gJoystick, &gJoystickNow, &gJoystickOld, sizeof gJoystickNow, " Joystick ",
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
    const size_t used = std::strlen(gMessage);
    snprintf(gMessage + used, sizeof gMessage - used, "%s", piece);
}

// 2 held, 1 pressed since the last update, 0 up.
int Query(uint8_t now, uint8_t old) {
    if (!now) return 0;
    return old ? 2 : 1;
}

}  // namespace

TESSALY_EXPORT const char* T7I_Init(void* /*instance*/, PlatWindow* window) {
    const int32_t created = CreateInputSystem(window, gSystem);
    if (created < 0) {
        gSystem.reset();
        snprintf(gMessage, sizeof gMessage, "T7I_Init DICreate Error : %s",
                 DxResultText(created, DxResultProfile::Input));
        return gMessage;
    }

    gKeyboard = gSystem->CreateDevice(DeviceKind::Keyboard);
    gMouse = gSystem->CreateDevice(DeviceKind::Mouse);
    gJoystick = gSystem->CreateDevice(DeviceKind::Joystick);

    for (const DeviceSlot& slot : kSlots) {
        InputDevice* device = slot.device->get();
        if (!device) continue;
        if (device->SetCooperativeLevel(true) < 0) Guarded(device->SetCooperativeLevel(false), slot.sharedStep);
        Guarded(device->SetDataFormat(slot.size), slot.formatStep);
        Guarded(device->Acquire(), "Acquiring DI Device");
    }
    for (const DeviceSlot& slot : kSlots) std::memset(slot.now, 0, slot.size);

    snprintf(gMessage, sizeof gMessage, "T7I_Init Devices Created : ");
    for (const DeviceSlot& slot : kSlots) {
        if (*slot.device) Append(slot.name);
    }
    return gMessage;
}

TESSALY_EXPORT void T7I_DeInit(void) {
    // Devices go while still acquired, then the input system. Releasing cannot
    // fail here, and the handles are cleared so that a late call finds no device.
    for (const DeviceSlot& slot : kSlots) slot.device->reset();
    gSystem.reset();
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
    return Query(gKeys[key], gOldKeys[key]);
}

TESSALY_EXPORT int T7I_CheckMouseButton(int button) {
    if (button < 0 || button >= 4) return 0;
    return Query(gMouseNow.buttons[button], gMouseOld.buttons[button]);
}

TESSALY_EXPORT int T7I_CheckMouseAxis(int axis) {
    switch (axis) {
        case 0: return gMouseNow.x;
        case 1: return gMouseNow.y;
        case 2: return gMouseNow.z;
        default: return 0;
    }
}

TESSALY_EXPORT uint8_t* T7I_GetKeyboardPointer(void) { return gKeys; }
TESSALY_EXPORT uint8_t* T7I_GetOldKeyboardPointer(void) { return gOldKeys; }
