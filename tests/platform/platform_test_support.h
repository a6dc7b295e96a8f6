// Helpers shared by the platform tests: a fresh headless run per test and a
// scratch directory that goes away with it.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace platform_test {

// Configures the platform layer for a run without a display; what
// plat_Configure returns.
inline int ConfigureHeadless() {
    PlatOptions options{};
    options.headless = 1;
    return plat_Configure(&options);
}

// Presents frames until the presented-frame count reaches frame.
inline void AdvanceTo(long frame) {
    while (plat_PresentedFrames() < frame) plat_FramePresented(nullptr, 0, 0, 0);
}

class HeadlessRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("tessaly-platform-" + std::to_string(getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        Configure({});
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    static int Configure(PlatOptions options) {
        options.headless = 1;
        return plat_Configure(&options);
    }
    int ConfigureWithScript(const std::string& text) {
        const std::string path = (dir_ / "input.script").string();
        std::ofstream(path, std::ios::binary) << text;
        PlatOptions options{};
        options.scriptPath = path.c_str();
        return Configure(options);
    }

    std::filesystem::path dir_;
};

}  // namespace platform_test
