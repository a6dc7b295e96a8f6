// The devices of a real run over SDL2 (keyboard state, relative mouse, the
// first joystick) and of a headless or scripted run (keyboard and mouse from
// the platform's input script, no joystick).
#include <atomic>
#include <cstring>

#include <SDL.h>

#include "input/input_devices.h"
#include "input/scan_codes.h"
#include "platform/platform.h"

namespace {

constexpr int32_t kInputErrUnplugged = static_cast<int32_t>(0x80040209);  // the device is not attached
constexpr uint8_t kDown = 0x80;

// Common part of every device: the declared state size and the acquired flag.
class DeviceBase : public InputDevice {
public:
    explicit DeviceBase(size_t stateSize) : stateSize_(stateSize) {}
    int32_t SetCooperativeLevel(bool /*exclusive*/) override { return kInputOk; }
    int32_t SetDataFormat(size_t stateSize) override {
        if (stateSize != stateSize_) return kInputErrInvalidParam;
        formatSet_ = true;
        return kInputOk;
    }
    int32_t Acquire() override {
        if (!formatSet_) return kInputErrInvalidParam;
        acquired_ = true;
        return kInputOk;
    }

protected:
    // A read must be of the declared size on an acquired device.
    int32_t CheckRead(const void* state, size_t stateSize) const {
        if (!state || stateSize != stateSize_) return kInputErrInvalidParam;
        return acquired_ ? kInputOk : kInputErrNotAcquired;
    }

    size_t stateSize_;
    bool formatSet_ = false;
    bool acquired_ = false;
};

// ---- scripted devices ----

class ScriptKeyboard : public DeviceBase {
public:
    ScriptKeyboard() : DeviceBase(kKeyboardStateSize) {}
    int32_t GetDeviceState(void* state, size_t stateSize) override {
        if (int32_t r = CheckRead(state, stateSize); r < 0) return r;
        plat_ScriptKeys(static_cast<uint8_t*>(state));
        return kInputOk;
    }
};

class ScriptMouse : public DeviceBase {
public:
    ScriptMouse() : DeviceBase(sizeof(MouseState)) {}
    int32_t GetDeviceState(void* state, size_t stateSize) override {
        if (int32_t r = CheckRead(state, stateSize); r < 0) return r;
        MouseState mouse{};
        int dx = 0, dy = 0, dz = 0;
        plat_ScriptMouse(&dx, &dy, &dz, mouse.buttons);
        mouse.x = dx;
        mouse.y = dy;
        mouse.z = dz;
        std::memcpy(state, &mouse, sizeof mouse);
        return kInputOk;
    }
};

// ---- SDL devices ----

class SdlKeyboard : public DeviceBase {
public:
    SdlKeyboard() : DeviceBase(kKeyboardStateSize) {}
    int32_t GetDeviceState(void* state, size_t stateSize) override {
        if (int32_t r = CheckRead(state, stateSize); r < 0) return r;
        uint8_t* keys = static_cast<uint8_t*>(state);
        std::memset(keys, 0, kKeyboardStateSize);
        int count = 0;
        const Uint8* sdlKeys = SDL_GetKeyboardState(&count);
        for (const ScanCodePair& pair : ScanCodePairs()) {
            if (pair.sdl < count && sdlKeys[pair.sdl]) keys[pair.dik] = kDown;
        }
        return kInputOk;
    }
};

// Wheel movement arrives only as events; a watch adds it up between reads.
std::atomic<int> g_wheel{0};

int SDLCALL WatchWheel(void* /*userdata*/, SDL_Event* event) {
    if (event->type == SDL_MOUSEWHEEL) {
        const int notches = event->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event->wheel.y : event->wheel.y;
        g_wheel.fetch_add(notches * 120);
    }
    return 0;
}

class SdlMouse : public DeviceBase {
public:
    SdlMouse() : DeviceBase(sizeof(MouseState)) {
        g_wheel.store(0);
        SDL_AddEventWatch(WatchWheel, nullptr);
    }
    ~SdlMouse() override {
        SDL_DelEventWatch(WatchWheel, nullptr);
        if (relative_) SDL_SetRelativeMouseMode(SDL_FALSE);
    }
    // Exclusive use keeps the pointer inside the window and reports movement
    // past the screen edges; shared use leaves the pointer free.
    int32_t SetCooperativeLevel(bool exclusive) override {
        if (SDL_SetRelativeMouseMode(exclusive ? SDL_TRUE : SDL_FALSE) != 0) return kInputErrGeneric;
        relative_ = exclusive;
        return kInputOk;
    }
    int32_t Acquire() override {
        const int32_t result = DeviceBase::Acquire();
        if (result >= 0) SDL_GetRelativeMouseState(nullptr, nullptr);  // movement counts from now
        return result;
    }
    int32_t GetDeviceState(void* state, size_t stateSize) override {
        if (int32_t r = CheckRead(state, stateSize); r < 0) return r;
        MouseState mouse{};
        int dx = 0, dy = 0;
        const Uint32 buttons = SDL_GetRelativeMouseState(&dx, &dy);
        mouse.x = dx;
        mouse.y = dy;
        mouse.z = g_wheel.exchange(0);
        mouse.buttons[0] = (buttons & SDL_BUTTON_LMASK) ? kDown : 0;
        mouse.buttons[1] = (buttons & SDL_BUTTON_RMASK) ? kDown : 0;
        mouse.buttons[2] = (buttons & SDL_BUTTON_MMASK) ? kDown : 0;
        mouse.buttons[3] = (buttons & SDL_BUTTON_X1MASK) ? kDown : 0;
        std::memcpy(state, &mouse, sizeof mouse);
        return kInputOk;
    }

private:
    bool relative_ = false;
};

class SdlJoystick : public DeviceBase {
public:
    explicit SdlJoystick(SDL_Joystick* joystick) : DeviceBase(sizeof(JoystickState)), joystick_(joystick) {}
    ~SdlJoystick() override {
        SDL_JoystickClose(joystick_);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
    int32_t Acquire() override {
        if (!SDL_JoystickGetAttached(joystick_)) return kInputErrUnplugged;
        return DeviceBase::Acquire();
    }
    int32_t GetDeviceState(void* state, size_t stateSize) override {
        if (int32_t r = CheckRead(state, stateSize); r < 0) return r;
        if (!SDL_JoystickGetAttached(joystick_)) {
            acquired_ = false;
            return kInputErrInputLost;
        }
        SDL_JoystickUpdate();
        JoystickState joy{};
        int32_t* axes[8] = {&joy.x, &joy.y, &joy.z, &joy.rx, &joy.ry, &joy.rz, &joy.sliders[0], &joy.sliders[1]};
        const int axisCount = SDL_JoystickNumAxes(joystick_);
        for (int i = 0; i < 8 && i < axisCount; ++i) *axes[i] = SDL_JoystickGetAxis(joystick_, i) + 32768;
        const int hatCount = SDL_JoystickNumHats(joystick_);
        for (int i = 0; i < 4; ++i)
            joy.pov[i] = i < hatCount ? HatAngle(SDL_JoystickGetHat(joystick_, i)) : 0xFFFFFFFFu;
        const int buttonCount = SDL_JoystickNumButtons(joystick_);
        for (int i = 0; i < 32 && i < buttonCount; ++i)
            joy.buttons[i] = SDL_JoystickGetButton(joystick_, i) ? kDown : 0;
        std::memcpy(state, &joy, sizeof joy);
        return kInputOk;
    }

private:
    // Hundredths of a degree clockwise from north; centred is all ones.
    static uint32_t HatAngle(Uint8 hat) {
        switch (hat) {
            case SDL_HAT_UP:
                return 0;
            case SDL_HAT_RIGHTUP:
                return 4500;
            case SDL_HAT_RIGHT:
                return 9000;
            case SDL_HAT_RIGHTDOWN:
                return 13500;
            case SDL_HAT_DOWN:
                return 18000;
            case SDL_HAT_LEFTDOWN:
                return 22500;
            case SDL_HAT_LEFT:
                return 27000;
            case SDL_HAT_LEFTUP:
                return 31500;
            default:
                return 0xFFFFFFFFu;
        }
    }

    SDL_Joystick* joystick_;
};

std::unique_ptr<InputDevice> OpenFirstJoystick() {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return nullptr;
    SDL_Joystick* joystick = SDL_NumJoysticks() > 0 ? SDL_JoystickOpen(0) : nullptr;
    if (!joystick) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        return nullptr;
    }
    return std::make_unique<SdlJoystick>(joystick);
}

class ScriptInputSystem : public InputSystem {
public:
    std::unique_ptr<InputDevice> CreateDevice(DeviceKind kind) override {
        switch (kind) {
            case DeviceKind::Keyboard:
                return std::make_unique<ScriptKeyboard>();
            case DeviceKind::Mouse:
                return std::make_unique<ScriptMouse>();
            default:
                return nullptr;
        }
    }
};

class SdlInputSystem : public InputSystem {
public:
    ~SdlInputSystem() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
    std::unique_ptr<InputDevice> CreateDevice(DeviceKind kind) override {
        switch (kind) {
            case DeviceKind::Keyboard:
                return std::make_unique<SdlKeyboard>();
            case DeviceKind::Mouse:
                return std::make_unique<SdlMouse>();
            case DeviceKind::Joystick:
                return OpenFirstJoystick();
        }
        return nullptr;
    }
};

}  // namespace

int32_t CreateInputSystem(PlatWindow* window, std::unique_ptr<InputSystem>& out) {
    const bool scripted = plat_HasScript() || plat_IsHeadless() || (window && plat_WindowIsHeadless(window));
    if (scripted) {
        out = std::make_unique<ScriptInputSystem>();
        return kInputOk;
    }
    // Keyboard and mouse state live in SDL's video subsystem; holding a
    // reference keeps them valid until the input system is released.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return kInputErrGeneric;
    out = std::make_unique<SdlInputSystem>();
    return kInputOk;
}
