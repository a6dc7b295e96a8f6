// The program's calls to the music library over the recording engine: their
// order and values at start-up and shutdown, the switch to the second module
// when the demo leaves the main scene, the looped restart on F4, and the error
// report on standard output.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/scene_slots.h"
#include "app/startup.h"
#include "demo_data.h"
#include "fake_engine.h"
#include "recorded_runs.h"

namespace {

namespace fs = std::filesystem;

class MusicCalls : public demo::RecordedRuns {
protected:
    static void SetUpTestSuite() {
        RecordedRuns::SetUpTestSuite();
        WriteModules();
    }
    void SetUp() override {
        RecordedRuns::SetUp();
        // The end title fades through its mesh and then the demo ends.
        fake::g_engine.meshNames["ENDTITLE.LWO"] = {"ENDSURF"};
    }
    void TearDown() override {
        RecordedRuns::TearDown();
        WriteModules();
    }
    // The recording library only asks whether the files exist.
    static void WriteModules() {
        demo::WriteText(dataDir_ + "/music/vdm.it", "first");
        demo::WriteText(dataDir_ + "/music/vdm2.it", "second");
    }

    // Runs headless at 24 fixed frames a second; returns the exit code and
    // keeps what went to standard output in out_.
    // The whole demo is some 5200 frames; the default limit only guards
    // against a run that never ends.
    int Run(int frames = 8000, const std::string& script = "") {
        testing::internal::CaptureStdout();
        const int code = RunWith({"--frames", std::to_string(frames)}, script);
        out_ = testing::internal::GetCapturedStdout();
        return code;
    }

    // The music calls in order, with the r_KillAllLights of every scene change
    // among them (shown as "lights").
    static std::vector<std::string> MusicLog() {
        std::vector<std::string> calls;
        for (const std::string& call : fake::g_engine.calls) {
            if (call.rfind("MIDAS", 0) == 0) calls.push_back(call);
            if (call == "r_KillAllLights") calls.push_back("lights");
        }
        return calls;
    }
    static std::string Music(const char* name) { return dataDir_ + "/music/" + name; }
    // The music calls of a whole run: the library opened, both modules loaded
    // (first and second: what each load gave), the calls during the run, and
    // the library closed.
    static std::vector<std::string> WholeRun(const std::string& first, const std::string& second,
                                             const std::vector<std::string>& during) {
        std::vector<std::string> calls = {"MIDASstartup",
                                          "MIDASsetOption 3 150",
                                          "MIDASsetOption 4 4",
                                          "MIDASinit",
                                          "MIDASstartBackgroundPlay 100",
                                          "MIDASloadModule " + Music("vdm.it") + " -> " + first,
                                          "MIDASloadModule " + Music("vdm2.it") + " -> " + second};
        calls.insert(calls.end(), during.begin(), during.end());
        calls.insert(calls.end(), {"MIDASstopBackgroundPlay", "MIDASclose"});
        return calls;
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    std::string out_;
};

// The whole demo: the first module from start-up through slots 0 and 1, played
// once; the second from the change to slot 2; nothing else touches the music.
TEST_F(MusicCalls, DemoStartsTheFirstModuleAndSwitchesWhenLeavingTheMainScene) {
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(g_app.slotIndex, 3);
    // The scene changes ("lights") are slots 1, 2 and 3.
    const std::vector<std::string> expected = WholeRun("m1", "m2",
                                                       {"MIDASplayModule m1 0 -> p1", "lights", "lights",
                                                        "MIDASstopModule p1", "MIDASplayModule m2 0 -> p2", "lights"});
    EXPECT_EQ(MusicLog(), expected);
    EXPECT_EQ(out_.find("MIDAS"), std::string::npos) << out_;

    // The music starts after the start-up frames (the first message and two
    // cleared frames), before the first demo frame; it stops before the
    // engine goes down.
    const int startup = fake::g_engine.FindCall("MIDASstartup");
    const std::vector<std::string> before(fake::g_engine.calls.begin(), fake::g_engine.calls.begin() + startup);
    EXPECT_EQ(std::count(before.begin(), before.end(), "r_SwapBuffers"), 3);
    EXPECT_LT(fake::g_engine.FindCall("MIDASclose"), fake::g_engine.FindCall("r_DeinitEngine"));
}

// F4 to walk mode leaves the music alone; F4 back restarts the first module
// from its beginning, looping, every time.
TEST_F(MusicCalls, F4BackToTheDemoRestartsTheFirstModuleLooped) {
    const std::string script =
        "10 key F4 down\n11 key F4 up\n"
        "20 key F4 down\n21 key F4 up\n"
        "30 key F4 down\n31 key F4 up\n"
        "40 key F4 down\n41 key F4 up\n"
        "50 key F10 down\n";
    ASSERT_EQ(Run(8000, script), 0);
    const std::vector<std::string> calls = MusicLog();
    const std::vector<std::string> after(calls.begin() + 8, calls.end());
    const std::vector<std::string> expected = {"lights",
                                               "MIDASstopModule p1",
                                               "MIDASplayModule m1 1 -> p2",  // frame 20
                                               "lights",
                                               "MIDASstopModule p2",
                                               "MIDASplayModule m1 1 -> p3",  // frame 40
                                               "MIDASstopBackgroundPlay",
                                               "MIDASclose"};
    EXPECT_EQ(after, expected) << testing::PrintToString(calls);
}

// A missing second module is reported once; the library stays open, the first
// module is still started and the change to slot 2 only stops it.
TEST_F(MusicCalls, MissingSecondModuleIsReportedAndTheSwitchOnlyStops) {
    fs::remove(Music("vdm2.it"));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(g_app.slotIndex, 3);
    const std::vector<std::string> expected =
        WholeRun("m1", "null", {"MIDASplayModule m1 0 -> p1", "lights", "lights", "MIDASstopModule p1", "lights"});
    EXPECT_EQ(MusicLog(), expected);
    EXPECT_NE(out_.find("\nMIDAS error: no such module file\n"), std::string::npos) << out_;
    EXPECT_EQ(Count(out_, "MIDAS"), 1) << out_;
    EXPECT_EQ(Count(out_, "BIG PANIC"), 0) << out_;
}

// A missing first module is reported once and nothing plays at start-up; the
// library stays open and the second module takes over at the change to slot 2.
TEST_F(MusicCalls, MissingFirstModuleLeavesTheSecondToPlayAtItsTime) {
    fs::remove(Music("vdm.it"));
    ASSERT_EQ(Run(), 0);
    const std::vector<std::string> expected =
        WholeRun("null", "m1", {"lights", "lights", "MIDASplayModule m1 0 -> p1", "lights"});
    EXPECT_EQ(MusicLog(), expected);
    EXPECT_EQ(Count(out_, "MIDAS error"), 1) << out_;
}

// Every failing step reports and closes; when the close fails as well the
// report says so. The program goes on and ends normally.
TEST_F(MusicCalls, FailedInitAndFailedCloseAreReportedInFull) {
    fake::g_engine.midasInitFails = true;
    fake::g_engine.midasCloseFails = true;
    ASSERT_EQ(Run(12), 0);
    const std::string initReport =
        "\nMIDAS error: no output\n"
        "\nBIG PANIC! MIDASclose Failed: cannot close\n";
    // The shutdown's close fails too: one more report, nothing else.
    const std::string closeReport =
        "\nMIDAS error: cannot close\n"
        "\nBIG PANIC! MIDASclose Failed: cannot close\n";
    EXPECT_NE(out_.find(initReport + closeReport), std::string::npos) << out_;
    EXPECT_EQ(Count(out_, "MIDAS error"), 2) << out_;
    EXPECT_EQ(Count(out_, "BIG PANIC"), 2) << out_;
    EXPECT_GE(fake::g_engine.FindCall("MIDASplayModule m1 0 -> p1"), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_FreeAllocatedLights"), 0);
}

}  // namespace
