// The mixer driven from the main thread while SDL's audio thread (the dummy
// driver, which consumes the mix in real time) renders it.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include "audio/device_output.h"
#include "audio/mixer.h"
#include "audio/module_store.h"
#include "audio/music_errors.h"
#include "test_module.h"

namespace {

TEST(MusicDevice, CallbackLengthIsOneBlockToTheNearestPowerOfTwo) {
    EXPECT_EQ(music::DeviceCallbackFrames(150, 4), 2048);  // 1653 frames
    EXPECT_EQ(music::DeviceCallbackFrames(100, 4), 1024);  // 1102
    EXPECT_EQ(music::DeviceCallbackFrames(10, 64), 256);
    EXPECT_EQ(music::DeviceCallbackFrames(2000, 1), 8192);
}

// A device that cannot be opened: the sound system's own complaints stay off
// standard error, the reason is in the library's error text, and standard
// error works again afterwards.
TEST(MusicDevice, NoDeviceLeavesStandardErrorQuiet) {
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    setenv("AUDIODEV", "hw:97,0", 1);  // no such card anywhere
    testing::internal::CaptureStderr();
    const bool opened = music::DeviceOpen(20, 4);
    std::fputs("after\n", stderr);
    const std::string err = testing::internal::GetCapturedStderr();
    unsetenv("AUDIODEV");
    if (opened) {
        music::DeviceClose();
        GTEST_SKIP() << "an ALSA device opened";
    }
    EXPECT_EQ(err, "after\n");
    EXPECT_STRNE(music::ErrorMessage(music::LastError()), "");
}

TEST(MusicDevice, PlaysAndStopsFromTheMainThreadWhileTheAudioThreadMixes) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tessaly-audio-thread-" + std::to_string(getpid()) + ".mod");
    audio_test::WriteTestModule(path);
    const uintptr_t first = music::LoadModule(path.c_str());
    const uintptr_t second = music::LoadModule(path.c_str());
    std::filesystem::remove(path);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    openmpt_module* module = music::FindModule(first);

    ASSERT_TRUE(music::DeviceOpen(20, 4));
    music::MixerSetRunning(true);
    music::DeviceStart();
    for (int i = 0; i < 200; ++i) {
        const uintptr_t a = music::MixerPlay(module, i % 2 == 0);
        const uintptr_t b = music::MixerPlay(music::FindModule(second), true);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        EXPECT_TRUE(music::MixerStop(a));
        if (i % 3 == 0)
            music::MixerStopAll();
        else
            EXPECT_TRUE(music::MixerStop(b));
    }
    music::MixerPlay(module, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    music::DeviceClose();  // waits for the callback: the module is ours alone again
    EXPECT_GT(openmpt_module_get_position_seconds(module), 0.05) << "the audio thread never rendered";
    music::MixerSetRunning(false);
    music::MixerStopAll();
    music::FreeAllModules();
}

}  // namespace
