#include "fake_devices.h"

#include <algorithm>
#include <cstring>

FakeInput g_fakeInput;

namespace {

int32_t Next(std::deque<int32_t>& results) {
    if (results.empty()) return kInputOk;
    const int32_t result = results.front();
    results.pop_front();
    return result;
}

class FakeInputDevice : public InputDevice {
public:
    explicit FakeInputDevice(FakeDevice& control) : control_(control) {}
    int32_t SetCooperativeLevel(bool exclusive) override {
        control_.exclusive = exclusive;
        return exclusive ? control_.exclusiveResult : control_.sharedResult;
    }
    int32_t SetDataFormat(size_t) override { return control_.formatResult; }
    int32_t Acquire() override {
        ++control_.acquireCalls;
        return Next(control_.acquireResults);
    }
    int32_t GetDeviceState(void* state, size_t size) override {
        ++control_.readCalls;
        const int32_t result = Next(control_.readResults);
        if (result < 0) return result;
        std::memset(state, 0, size);
        std::memcpy(state, control_.state.data(), std::min(size, control_.state.size()));
        return result;
    }

private:
    FakeDevice& control_;
};

class FakeInputSystem : public InputSystem {
public:
    std::unique_ptr<InputDevice> CreateDevice(DeviceKind kind) override {
        FakeDevice& control = kind == DeviceKind::Keyboard ? g_fakeInput.keyboard
                              : kind == DeviceKind::Mouse  ? g_fakeInput.mouse
                                                           : g_fakeInput.joystick;
        if (!control.present) return nullptr;
        return std::make_unique<FakeInputDevice>(control);
    }
};

}  // namespace

int32_t CreateInputSystem(PlatWindow*, std::unique_ptr<InputSystem>& out) {
    if (g_fakeInput.createResult < 0) return g_fakeInput.createResult;
    out = std::make_unique<FakeInputSystem>();
    return kInputOk;
}
