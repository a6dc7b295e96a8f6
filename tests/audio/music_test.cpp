// The music library as the program drives it, in headless runs that mix into a
// WAV file on the fixed-step clock.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tessaly/music_api.h"
#include "test_module.h"

namespace {

namespace fs = std::filesystem;

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tessaly-audio-" + std::to_string(getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        audio_test::WriteTestModule(dir_ / "music" / "test.mod");
        wav_ = (dir_ / "out.wav").string();
        ConfigureRun(wav_.c_str(), 50);
    }
    void TearDown() override {
        MIDASclose();
        ConfigureRun(nullptr, 0);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    static void ConfigureRun(const char* audioOut, int fps) {
        PlatOptions options{};
        options.headless = 1;
        options.fixedFps = fps;
        options.audioOut = audioOut;
        plat_Configure(&options);
    }
    // The program's start-up sequence.
    static void StartMusic() {
        ASSERT_TRUE(MIDASstartup());
        ASSERT_TRUE(MIDASsetOption(MIDAS_OPTION_MIXBUFLEN, 150));
        ASSERT_TRUE(MIDASsetOption(MIDAS_OPTION_MIXBUFBLOCKS, 4));
        ASSERT_TRUE(MIDASinit()) << MIDASgetErrorMessage(MIDASgetLastError());
        ASSERT_TRUE(MIDASstartBackgroundPlay(100));
    }
    MIDASmodule LoadTestModule() {
        // Another case than on disk: names are found without regard to case.
        MIDASmodule module = MIDASloadModule((dir_ / "MUSIC" / "Test.MOD").c_str());
        EXPECT_NE(module, nullptr) << MIDASgetErrorMessage(MIDASgetLastError());
        return module;
    }
    static void Advance(int frames) {
        for (int i = 0; i < frames; ++i) plat_FramePresented(nullptr, 0, 0, 0);
    }
    static std::string LastMessage() { return MIDASgetErrorMessage(MIDASgetLastError()); }

    // The WAV's samples after checking its header describes the file exactly.
    std::vector<int16_t> ReadWav() const {
        std::ifstream in(wav_, std::ios::binary);
        std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        if (bytes.size() < 44) {
            ADD_FAILURE() << "WAV file too short: " << bytes.size();
            return {};
        }
        auto le32 = [&](size_t at) {
            uint32_t value;
            std::memcpy(&value, &bytes[at], 4);
            return value;
        };
        EXPECT_EQ(std::string(&bytes[0], 4), "RIFF");
        EXPECT_EQ(le32(4), bytes.size() - 8);
        EXPECT_EQ(std::string(&bytes[8], 8), "WAVEfmt ");
        EXPECT_EQ(le32(20), 0x00020001u);  // PCM, stereo
        EXPECT_EQ(le32(24), 44100u);
        EXPECT_EQ(le32(32), 0x00100004u);  // four bytes a frame, 16 bits
        EXPECT_EQ(std::string(&bytes[36], 4), "data");
        EXPECT_EQ(le32(40), bytes.size() - 44);
        std::vector<int16_t> samples((bytes.size() - 44) / 2);
        std::memcpy(samples.data(), &bytes[44], samples.size() * 2);
        return samples;
    }
    // True when any sample of the frames from first up to last (exclusive) is not zero.
    static bool Sounds(const std::vector<int16_t>& samples, size_t first, size_t last) {
        for (size_t i = first * 2; i < last * 2 && i < samples.size(); ++i)
            if (samples[i] != 0) return true;
        return false;
    }

    fs::path dir_;
    std::string wav_;
};

constexpr size_t kFramesPerVideoFrame = 44100 / 50;

TEST_F(MusicTest, WavFollowsTheClockAndFallsSilentWhenStopped) {
    Advance(5);  // time before the music starts is silence in the file
    StartMusic();
    MIDASmodulePlayHandle play = MIDASplayModule(LoadTestModule(), 0);
    ASSERT_NE(play, nullptr);
    Advance(15);
    EXPECT_TRUE(MIDASstopModule(play));
    EXPECT_FALSE(MIDASstopModule(play)) << "a play handle ends with its play";
    Advance(10);
    EXPECT_TRUE(MIDASstopBackgroundPlay());
    EXPECT_TRUE(MIDASclose());
    EXPECT_TRUE(MIDASclose());  // a second close is harmless

    const std::vector<int16_t> samples = ReadWav();
    EXPECT_EQ(samples.size() / 2, 30 * kFramesPerVideoFrame);
    EXPECT_FALSE(Sounds(samples, 0, 5 * kFramesPerVideoFrame));
    EXPECT_TRUE(Sounds(samples, 5 * kFramesPerVideoFrame, 20 * kFramesPerVideoFrame));
    EXPECT_FALSE(Sounds(samples, 20 * kFramesPerVideoFrame, 30 * kFramesPerVideoFrame));
}

TEST_F(MusicTest, PlayOnceEndsAndLoopedPlayRestartsAndGoesOn) {
    ConfigureRun(wav_.c_str(), 60);  // 1000/60 ms a frame: the file still counts exact samples
    StartMusic();
    MIDASmodule module = LoadTestModule();
    ASSERT_NE(MIDASplayModule(module, 0), nullptr);
    Advance(120);  // two seconds; the song lasts about half of one
    ASSERT_NE(MIDASplayModule(module, 1), nullptr);
    Advance(247);
    EXPECT_TRUE(MIDASclose());

    const std::vector<int16_t> samples = ReadWav();
    // 367 frames of 1/60 s (6116 ms on the millisecond clock, which would give 269715).
    EXPECT_EQ(samples.size() / 2, size_t{367} * 44100 / 60);
    EXPECT_TRUE(Sounds(samples, 0, 44100 / 4));
    EXPECT_FALSE(Sounds(samples, 44100 * 3 / 2, 44100 * 2));  // the single play has ended
    EXPECT_TRUE(Sounds(samples, 44100 * 2, 44100 * 5 / 2));   // restarted from its beginning
    EXPECT_TRUE(Sounds(samples, 44100 * 11 / 2, 44100 * 6));  // still looping four seconds later
}

// Waits jump the fixed clock in whole seconds; a program that ends without
// closing the library (a quit message skips the shutdown) still leaves a
// complete file.
TEST_F(MusicTest, WavCountsWaitsAndIsCompleteWhenTheProgramExitsWithoutClosing) {
    ConfigureRun(wav_.c_str(), 24);
    EXPECT_EXIT(
        {
            Advance(7);
            plat_WaitSeconds(5.0);
            StartMusic();
            MIDASplayModule(LoadTestModule(), 1);
            Advance(30);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const std::vector<int16_t> samples = ReadWav();
    EXPECT_EQ(samples.size() / 2, size_t{37} * 44100 / 24 + 5 * 44100);
    const size_t musicFrom = size_t{7} * 44100 / 24 + 5 * 44100;
    EXPECT_FALSE(Sounds(samples, 0, musicFrom));
    EXPECT_TRUE(Sounds(samples, musicFrom, musicFrom + 441));
}

TEST_F(MusicTest, FailuresReturnNullOrFalseWithATextThatSaysWhy) {
    StartMusic();
    const std::string missing = (dir_ / "music" / "missing.it").string();
    EXPECT_EQ(MIDASloadModule(missing.c_str()), nullptr);
    EXPECT_NE(LastMessage().find("Could not read module file"), std::string::npos) << LastMessage();
    EXPECT_NE(LastMessage().find(missing), std::string::npos) << LastMessage();

    EXPECT_EQ(MIDASloadModule((dir_ / "music").c_str()), nullptr);  // a directory
    EXPECT_NE(LastMessage().find("Could not read module file"), std::string::npos) << LastMessage();

    std::ofstream(dir_ / "music" / "notes.it") << "not a module, just some words of text\n";
    EXPECT_EQ(MIDASloadModule((dir_ / "music" / "notes.it").c_str()), nullptr);
    EXPECT_NE(LastMessage().find("Module format not recognised"), std::string::npos) << LastMessage();

    EXPECT_EQ(MIDASplayModule(nullptr, 0), nullptr);
    EXPECT_EQ(MIDASstopModule(nullptr), 0);
    EXPECT_EQ(MIDASsetOption(99, 1), 0);
    EXPECT_EQ(MIDASsetOption(MIDAS_OPTION_MIXBUFBLOCKS, 0), 0);
    EXPECT_EQ(MIDASinit(), 0);  // already open
    EXPECT_STREQ(MIDASgetErrorMessage(12345), "Unknown error code 12345");
}

TEST_F(MusicTest, HeadlessWithoutAFileMixesNowhereAndReportsNothing) {
    ConfigureRun(nullptr, 50);
    StartMusic();
    MIDASmodule module = LoadTestModule();
    ASSERT_NE(module, nullptr);
    MIDASmodulePlayHandle play = MIDASplayModule(module, 1);
    ASSERT_NE(play, nullptr);
    Advance(10);
    EXPECT_TRUE(MIDASstopModule(play));
    EXPECT_TRUE(MIDASstopBackgroundPlay());
    EXPECT_FALSE(fs::exists(wav_));
}

TEST_F(MusicTest, FailedInitLeavesTheLibraryClosable) {
    const std::string unwritable = (dir_ / "no-such-dir" / "out.wav").string();
    ConfigureRun(unwritable.c_str(), 50);
    ASSERT_TRUE(MIDASstartup());
    EXPECT_EQ(MIDASinit(), 0);
    EXPECT_NE(LastMessage().find("Could not create WAV file"), std::string::npos) << LastMessage();
    // The program's error report closes the library and carries on calling it.
    EXPECT_TRUE(MIDASclose());
    EXPECT_TRUE(MIDASclose());
    EXPECT_EQ(MIDASstartBackgroundPlay(100), 0);
    EXPECT_EQ(MIDASloadModule((dir_ / "music" / "test.mod").c_str()), nullptr);
    EXPECT_NE(LastMessage().find("not started"), std::string::npos) << LastMessage();
    EXPECT_EQ(MIDASplayModule(nullptr, 0), nullptr);
    // Nothing plays, so the shutdown's stop has nothing to fail at.
    EXPECT_TRUE(MIDASstopBackgroundPlay());
}

}  // namespace
