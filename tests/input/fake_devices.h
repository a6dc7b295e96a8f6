// Fake input devices for the input library's state logic: the test decides
// what each device operation returns and what a read delivers.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "input/input_devices.h"

struct FakeDevice {
    bool present = true;
    int32_t exclusiveResult = kInputOk;
    int32_t sharedResult = kInputOk;
    int32_t formatResult = kInputOk;
    std::deque<int32_t> acquireResults;  // consumed one per Acquire; empty: kInputOk
    std::deque<int32_t> readResults;     // consumed one per read; empty: kInputOk
    std::vector<uint8_t> state;          // what a successful read delivers (cut or zero-padded)
    int acquireCalls = 0;
    int readCalls = 0;
    bool exclusive = false;  // the cooperative level that was set last
};

struct FakeInput {
    int32_t createResult = kInputOk;
    FakeDevice keyboard, mouse, joystick;
};

// Reset by the tests before every T7I_Init.
extern FakeInput g_fakeInput;
