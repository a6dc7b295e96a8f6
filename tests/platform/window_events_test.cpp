// Options, headless windows, message boxes and the message queue.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/platform/platform_test_support.h"

namespace {

using Platform = platform_test::HeadlessRun;

TEST_F(Platform, OptionsAreCopiedWithTheirTexts) {
    char capture[] = "captured";
    char audio[] = "out.wav";
    PlatOptions options{};
    options.windowed = 1;
    options.fixedFps = 25;
    options.maxFrames = 7;
    options.captureDir = capture;
    options.audioOut = audio;
    ASSERT_EQ(Configure(options), 0);
    std::strcpy(capture, "changed!");
    std::strcpy(audio, "xx.wav");
    const PlatOptions* kept = plat_GetOptions();
    EXPECT_EQ(kept->headless, 1);
    EXPECT_EQ(kept->windowed, 1);
    EXPECT_EQ(kept->fixedFps, 25);
    EXPECT_EQ(kept->maxFrames, 7);
    EXPECT_STREQ(kept->captureDir, "captured");
    EXPECT_STREQ(kept->audioOut, "out.wav");
    EXPECT_EQ(kept->scriptPath, nullptr);
    EXPECT_EQ(plat_IsHeadless(), 1);
}

TEST_F(Platform, HeadlessWindowRemembersItsSize) {
    ASSERT_EQ(Configure({}), 0);
    PlatWindow* window = plat_CreateWindow("Tessaly", 320, 200);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(plat_WindowIsHeadless(window), 1);
    EXPECT_EQ(plat_GetSdlWindow(window), nullptr);
    int width = 0, height = 0;
    plat_GetClientSize(window, &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    plat_ShowCursor(0);
    plat_ShowCursor(1);
    plat_DestroyWindow(window);

    plat_GetScreenSize(&width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    // A null window is allowed wherever a window may be absent.
    plat_GetClientSize(nullptr, &width, &height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(plat_WindowIsHeadless(nullptr), 1);
    plat_DestroyWindow(nullptr);
}

TEST_F(Platform, HeadlessMessageBoxOnlyWritesToStandardError) {
    ASSERT_EQ(Configure({}), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(plat_MessageBox(nullptr, "Could not initialize 3D Engine", "Fatal Error", PLAT_MB_ICONWARNING), 1);
    plat_MessageBox(nullptr, nullptr, nullptr, PLAT_MB_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Fatal Error: Could not initialize 3D Engine\n: \n");
}

TEST_F(Platform, PostedMessagesComeBackInOrder) {
    ASSERT_EQ(Configure({}), 0);
    PlatMessage message{};
    EXPECT_EQ(plat_PeekMessage(&message), 0);
    plat_PostMessage(PLAT_MSG_QUIT, 3);
    plat_PostMessage(PLAT_MSG_CLOSE, 0);
    ASSERT_EQ(plat_PeekMessage(&message), 1);
    EXPECT_EQ(message.kind, PLAT_MSG_QUIT);
    EXPECT_EQ(message.code, 3);
    ASSERT_EQ(plat_PeekMessage(&message), 1);
    EXPECT_EQ(message.kind, PLAT_MSG_CLOSE);
    EXPECT_EQ(plat_PeekMessage(&message), 0);
}

TEST_F(Platform, AFullQueueKeepsTheLatestMessages) {
    ASSERT_EQ(Configure({}), 0);
    for (int i = 0; i < 100; ++i) plat_PostMessage(PLAT_MSG_QUIT, i);
    PlatMessage message{};
    int taken = 0;
    int last = -1;
    while (plat_PeekMessage(&message)) {
        EXPECT_GT(message.code, last);
        last = message.code;
        ++taken;
    }
    EXPECT_GT(taken, 0);
    EXPECT_LT(taken, 100);
    EXPECT_EQ(last, 99);
}

TEST_F(Platform, TerminationSignalsBecomeOneCloseMessage) {
    ASSERT_EQ(Configure({}), 0);
    PlatMessage message{};
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_EQ(plat_PeekMessage(&message), 1);
    EXPECT_EQ(message.kind, PLAT_MSG_CLOSE);
    EXPECT_EQ(plat_PeekMessage(&message), 0);

    ASSERT_EQ(std::raise(SIGINT), 0);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_EQ(plat_PeekMessage(&message), 1);
    EXPECT_EQ(message.kind, PLAT_MSG_CLOSE);
    EXPECT_EQ(plat_PeekMessage(&message), 0);
}

// Runs in a separate process under CTest; SDL video is tried only here, since
// every other test forces headless.
TEST(PlatformDisplay, NoUsableDisplayMeansHeadless) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    PlatOptions options{};
    ASSERT_EQ(plat_Configure(&options), 0);
    EXPECT_EQ(plat_IsHeadless(), 1);
    PlatWindow* window = plat_CreateWindow("Tessaly", 64, 48);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(plat_WindowIsHeadless(window), 1);
    plat_DestroyWindow(window);
    plat_Shutdown();
    unsetenv("SDL_VIDEODRIVER");
}

}  // namespace

// Only where a display exists (for instance under xvfb-run): the real window
// and SDL's close requests.
TEST(PlatformDisplay, WindowAndCloseRequestsOnADisplay) {
    PlatOptions options{};
    ASSERT_EQ(plat_Configure(&options), 0);
    if (plat_IsHeadless()) {
        plat_Shutdown();
        GTEST_SKIP() << "no display";
    }
    PlatWindow* window = plat_CreateWindow("Tessaly", 320, 200);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(plat_WindowIsHeadless(window), 0);
    auto* sdlWindow = static_cast<SDL_Window*>(plat_GetSdlWindow(window));
    ASSERT_NE(sdlWindow, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "Tessaly");
    EXPECT_NE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_BORDERLESS, 0u);
    int width = 0, height = 0;
    plat_GetClientSize(window, &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    plat_GetScreenSize(&width, &height);
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);

    PlatMessage message{};
    while (plat_PeekMessage(&message)) {
    }
    SDL_Event event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    event = SDL_Event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = SDL_GetWindowID(sdlWindow);
    SDL_PushEvent(&event);
    event = SDL_Event{};
    event.type = SDL_KEYDOWN;  // dropped from the queue; the key state is SDL's own
    SDL_PushEvent(&event);
    int closes = 0;
    while (plat_PeekMessage(&message)) {
        EXPECT_EQ(message.kind, PLAT_MSG_CLOSE);
        ++closes;
    }
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
    plat_DestroyWindow(window);
    plat_Shutdown();
}
