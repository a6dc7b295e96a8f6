// Options, windows, message boxes and the message queue.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/platform/platform_test_support.h"

namespace {

using Platform = platform_test::HeadlessRun;

TEST_F(Platform, HeadlessRunKeepsItsOptionsAndAWindowObject) {
    char capture[] = "captured";
    PlatOptions options{};
    options.fixedFps = 25;
    options.captureDir = capture;
    ASSERT_EQ(Configure(options), 0);
    std::strcpy(capture, "changed!");
    EXPECT_STREQ(plat_GetOptions()->captureDir, "captured");
    EXPECT_EQ(plat_GetOptions()->fixedFps, 25);
    EXPECT_EQ(plat_IsHeadless(), 1);

    PlatWindow* window = plat_CreateWindow("Tessaly", 320, 200);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(plat_WindowIsHeadless(window), 1);
    EXPECT_EQ(plat_GetSdlWindow(window), nullptr);
    int width = 0, height = 0;
    plat_GetClientSize(window, &width, &height);
    EXPECT_EQ(width * 1000 + height, 320200);
    plat_DestroyWindow(window);
    plat_GetScreenSize(&width, &height);
    EXPECT_EQ(width * 1000 + height, 640480);
    plat_GetClientSize(nullptr, &width, &height);  // a null window is allowed
    EXPECT_EQ(width | height, 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(plat_MessageBox(nullptr, "Could not initialize 3D Engine", "Fatal Error", PLAT_MB_ICONWARNING), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Fatal Error: Could not initialize 3D Engine\n");
}

TEST_F(Platform, MessagesComeInOrderAndAFullQueueKeepsTheLatest) {
    ASSERT_EQ(Configure({}), 0);
    PlatMessage message{};
    for (int i = 0; i < 100; ++i) plat_PostMessage(PLAT_MSG_QUIT, i);
    int taken = 0, last = -1;
    while (plat_PeekMessage(&message)) {
        EXPECT_EQ(message.code, last < 0 ? message.code : last + 1);
        last = message.code;
        ++taken;
    }
    EXPECT_GT(taken, 0);
    EXPECT_EQ(last, 99);
}

TEST_F(Platform, TerminationSignalsBecomeOneCloseMessage) {
    ASSERT_EQ(Configure({}), 0);
    ASSERT_EQ(std::raise(SIGINT), 0);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    PlatMessage message{};
    ASSERT_EQ(plat_PeekMessage(&message), 1);
    EXPECT_EQ(message.kind, PLAT_MSG_CLOSE);
    EXPECT_EQ(plat_PeekMessage(&message), 0);
}

// SDL starts even without a display, on a driver that shows nothing. This is
// the only test that tries SDL video; every other test forces headless.
TEST(PlatformDisplay, DriversWithoutAScreenMeanHeadless) {
    for (const char* driver : {"dummy", "offscreen"}) {
        setenv("SDL_VIDEODRIVER", driver, 1);
        PlatOptions options{};
        ASSERT_EQ(plat_Configure(&options), 0);
        EXPECT_EQ(plat_IsHeadless(), 1) << driver;
        PlatWindow* window = plat_CreateWindow("Tessaly", 64, 48);
        EXPECT_EQ(plat_WindowIsHeadless(window), 1) << driver;
        plat_DestroyWindow(window);
        plat_Shutdown();
    }
    unsetenv("SDL_VIDEODRIVER");
}

}  // namespace
