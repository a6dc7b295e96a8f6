// A suite of whole runs of the program's logic in this process, over the
// recording engine: a data set written once for the suite, the engine's record
// cleared before each test, the working folder and the scene slots put back
// after it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/scene_slots.h"
#include "app/startup.h"
#include "demo_data.h"
#include "fake_engine.h"

namespace demo {

class RecordedRuns : public testing::Test {
protected:
    // Names carry the suite and the process id: test programs may run side by side.
    static std::string TempName(const std::string& name) {
        const std::string suite = testing::UnitTest::GetInstance()->current_test_suite()->name();
        return testing::TempDir() + "tessaly_app_" + suite + "_" + std::to_string(getpid()) + "_" + name;
    }
    static void SetUpTestSuite() {
        dataDir_ = TempName("data");
        std::filesystem::remove_all(dataDir_);
        WriteDataSet(dataDir_);
    }
    static void TearDownTestSuite() {
        std::filesystem::remove_all(dataDir_);
        std::remove(TempName("script.txt").c_str());
    }
    void SetUp() override {
        char cwd[PATH_MAX];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        cwd_ = cwd;
        fake::Reset();
        fake::g_engine.hardwareModes[0] = 3;
    }
    void TearDown() override {
        ASSERT_EQ(chdir(cwd_.c_str()), 0);
        ReleaseSlots();
    }

    // Runs the program headless at 24 fixed frames a second on the data set,
    // with the input script (when not empty) and extra options; the exit code.
    static int RunWith(const std::vector<std::string>& extra, const std::string& script = "") {
        std::vector<std::string> args = {"tessaly", "--data", dataDir_, "--headless", "--fixed-fps", "24"};
        if (!script.empty()) {
            const std::string path = TempName("script.txt");
            WriteText(path, script);
            args.insert(args.end(), {"--script", path});
        }
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        return RunProgram(static_cast<int>(argv.size()), argv.data());
    }

    static inline std::string dataDir_;
    std::string cwd_;
};

}  // namespace demo
