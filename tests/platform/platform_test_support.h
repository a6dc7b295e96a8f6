// Helpers shared by the platform tests: a fresh headless run per test and
// scratch files that clean up after themselves.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace platform_test {

inline std::filesystem::path ScratchDir() {
    static std::atomic<int> counter{0};
    auto dir = std::filesystem::temp_directory_path() /
               ("tessaly-platform-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    return dir;
}

// Presents frames until the presented-frame count reaches frame.
inline void AdvanceTo(long frame) {
    while (plat_PresentedFrames() < frame) plat_FramePresented(nullptr, 0, 0, 0);
}

// A headless run with the given options; the script text, when given, is
// written to a file first. The scratch directory goes when the test ends.
class HeadlessRun : public ::testing::Test {
protected:
    void TearDown() override {
        PlatOptions defaults{};
        defaults.headless = 1;
        plat_Configure(&defaults);
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }

    const std::filesystem::path& Dir() {
        if (dir_.empty()) dir_ = ScratchDir();
        return dir_;
    }

    int Configure(PlatOptions options) {
        options.headless = 1;
        return plat_Configure(&options);
    }

    int ConfigureWithScript(const std::string& text, PlatOptions options = {}) {
        scriptPath_ = (Dir() / "input.script").string();
        FILE* file = std::fopen(scriptPath_.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (!file) return -1;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        options.scriptPath = scriptPath_.c_str();
        return Configure(options);
    }

    std::filesystem::path dir_;
    std::string scriptPath_;
};

}  // namespace platform_test
