// The engine over the real raster back-end without a display, for tests that
// need a bound back-end. Register once per test program as an environment.
#pragma once

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tests/platform/platform_test_support.h"

namespace engine_test {

class HeadlessEngine : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(platform_test::ConfigureHeadless(), 0);
        ASSERT_EQ(r_LinkRaster("t7dxraster.dll", nullptr), 0);
        r_GetSysInfo();
        ASSERT_EQ(r_InitEngine(0, r_SeekMode(0, 640, 480, 16, 0), 0, nullptr, 1, nullptr), 0);
        r_SetViewportArea(0.0f, 0.0f, 1.0f, 1.0f, nullptr);
    }
    void TearDown() override {
        r_DeinitEngine();
        r_FreeRaster(nullptr);
        plat_Shutdown();
    }
};

}  // namespace engine_test
