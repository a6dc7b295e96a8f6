// Helpers shared by the platform tests: a fresh headless run per test and a
// scratch directory that goes away with it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace platform_test {

// Presents frames until the presented-frame count reaches frame.
inline void AdvanceTo(long frame) {
    while (plat_PresentedFrames() < frame) plat_FramePresented(nullptr, 0, 0, 0);
}

class HeadlessRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tessaly-platform-" + std::to_string(getpid()) + "-" +
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
        script_ = (dir_ / "input.script").string();
        if (FILE* file = std::fopen(script_.c_str(), "wb")) {
            std::fwrite(text.data(), 1, text.size(), file);
            std::fclose(file);
        }
        PlatOptions options{};
        options.scriptPath = script_.c_str();
        return Configure(options);
    }

    std::filesystem::path dir_;
    std::string script_;
};

}  // namespace platform_test
