#include "app/main_loop.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/frames.h"
#include "app/run_report.h"
#include "app/scan_codes.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/input_api.h"

namespace {

constexpr uint32_t kConsoleTextColour = 0xffff;
constexpr int kConsoleLineHeight = 15;

// Display lines the console holds, found by bisection: r_ConsoleGetLine
// answers for every index below the count and null from there on.
int ConsoleLineCount() {
    // The count is at least low and below high (one past the console's capacity).
    int low = 0;
    int high = std::max(kConsoleScrollBack, g_app.consoleRows) + 1;
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        if (r_ConsoleGetLine(middle - 1))
            low = middle;
        else
            high = middle;
    }
    return low;
}

// Page Up and Page Down move the view a page through the kept lines; a
// command entered brings the newest lines back.
void ScrollKeys(int shown, int held) {
    const int page = shown > 1 ? shown - 1 : 1;
    if (T7I_CheckKey(DIK_PRIOR) == 1) g_app.consoleScroll += page;
    if (T7I_CheckKey(DIK_NEXT) == 1) g_app.consoleScroll -= page;
    if (T7I_CheckKey(DIK_RETURN) == 1) g_app.consoleScroll = 0;
    g_app.consoleScroll = std::clamp(g_app.consoleScroll, 0, std::max(held - shown, 0));
}

void ConsoleEditingKeys() {
    struct EditKey {
        int key;
        int code;
    };
    static constexpr EditKey kKeys[] = {{DIK_UP, 30}, {DIK_DOWN, 31}, {DIK_BACK, 8}, {DIK_DELETE, 1}};
    for (const EditKey& k : kKeys)
        if (T7I_CheckKey(k.key) == 1) r_ConsoleAddChar(k.code);
    if (T7I_CheckKey(DIK_RETURN) == 1) {
        r_ConsoleAddChar(13);
        if (r_ConsoleHasCommandAvailable() & 0xff) RunCommand(r_ConsoleGetCommand());
    }
}

}  // namespace

void ConsoleFrame() {
    if (g_app.consoleBackground[0] != '\0')
        r_DrawBitmap(0, 0, 0, g_app.frameWidth, g_app.frameHeight, 0, nullptr);
    else
        r_ClearScreen(0x300000, nullptr);
    r_ConsoleAddChar(TranslateScanCodes(T7I_GetKeyboardPointer(), T7I_GetOldKeyboardPointer()));
    ConsoleEditingKeys();
    // The newest lines fill the view from the top, or the page scrolled back to.
    const int shown = g_app.consoleRows - 1;
    const int held = ConsoleLineCount();
    ScrollKeys(shown, held);
    const int first = std::max(held - shown - g_app.consoleScroll, 0);
    int y = 0;
    for (int i = 0; i < shown; ++i, y += kConsoleLineHeight)
        r_SysPrint(r_ConsoleGetLine(first + i), 0, y, kConsoleTextColour);
    y += 10;
    r_SysPrint(r_ConsoleGetCommand(), 0, y, kConsoleTextColour);
    r_SwapBuffers(0);
}

void MeasureFrameRate() {
    const float elapsed = g_app.fpsWatch.Elapsed();
    if (elapsed > 2.0f) {
        g_app.fps = static_cast<float>(g_app.frameCount) / elapsed;
        g_app.frameCount = 0;
        g_app.fpsWatch.Start();
    } else {
        ++g_app.frameCount;
    }
}

int RunMainLoop() { return RunLoop(RunFramePass); }

int RunLoop(void (*framePass)()) {
    ReportRunStart();
    for (;;) {
        if (T7I_CheckKey(DIK_F10) || g_app.quit) break;
        PlatMessage message;
        if (plat_PeekMessage(&message)) {
            // Closing the window, SIGINT/SIGTERM and the frame limit end the
            // run like F10; a quit message ends it with its own code.
            if (message.kind == PLAT_MSG_QUIT) {
                ReportRunEnd();
                return message.code;
            }
            if (message.kind == PLAT_MSG_CLOSE) break;
            continue;
        }
        framePass();
        ReportRunFrame();
    }
    ReportRunEnd();
    return 0;
}

void RunFramePass() { FramePass(g_app.demoMode ? DemoFrame : WalkFrame); }

void FramePass(void (*sceneFrame)()) {
    if (T7I_CheckKey(DIK_GRAVE) == 1 && T7I_CheckKey(DIK_RMENU) == 0) g_app.consoleVisible = !g_app.consoleVisible;
    if (g_app.consoleVisible) {
        ConsoleFrame();
    } else {
        sceneFrame();
        MeasureFrameRate();
    }
    T7I_UpdateInput();
}
