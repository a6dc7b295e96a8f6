// The built program in a window on a virtual X display (Xvfb), as a user on a
// desktop meets it: --window opens an ordinary resizable 640x480 window, the
// start-up wait shows its text, and closing the window during that wait ends
// the program at once. Skipped where Xvfb is not installed.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "demo_data.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// An Xvfb server of its own, on a display number it picks itself.
class VirtualDisplay {
public:
    // Starts a server and connects to it; servers started at the same moment
    // by other tests can pick the same number, so a server that cannot be
    // reached is replaced by another.
    Display* Start() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (Launch()) {
                for (int i = 0; i < 40; ++i) {
                    Display* display = XOpenDisplay(name_.c_str());
                    // Only a connection to the server started here counts.
                    if (display && waitpid(pid_, nullptr, WNOHANG) == 0) return display;
                    if (display) XCloseDisplay(display);
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
            }
            Stop();
        }
        return nullptr;
    }
    ~VirtualDisplay() { Stop(); }
    const std::string& Name() const { return name_; }

private:
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    bool Launch() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            // The server ends with the test whatever way it ends, and its
            // output never holds the test's own open.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int nowhere = open("/dev/null", O_RDWR);
            if (nowhere >= 0) {
                dup2(nowhere, 0);
                dup2(nowhere, 1);
                dup2(nowhere, 2);
            }
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char number[16] = {};
        const ssize_t got = pid_ > 0 ? read(fds[0], number, sizeof number - 1) : -1;
        close(fds[0]);
        if (got <= 0) return false;
        name_ = ":" + std::string(number, static_cast<size_t>(got));
        name_.erase(name_.find_last_not_of("\n") + 1);
        return true;
    }

    pid_t pid_ = -1;
    std::string name_;
};

// Xlib ends the process on any protocol error by default; a window that goes
// away between listing and asking about it is no reason to.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// The program's exit code, or -1 after killing it when it has not ended in time.
int WaitAtMost(pid_t pid, std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    int status = 0;
    while (Clock::now() < until) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (done < 0) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

bool XvfbInstalled() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

// The top-level window titled "Tessaly", or 0.
Window FindProgramWindow(Display* display) {
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::string(name) == "Tessaly") found = children[i];
            XFree(name);
        }
    }
    if (children) XFree(children);
    return found;
}

// Asks the window to close, as a window manager's close button does.
void RequestClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// Green text pixels (the wait text's colour) in the frame's top rows.
long GreenTextPixels(const demo::Picture& frame) {
    long n = 0;
    for (int y = 0; y < 24 && y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint8_t* p = &frame.rgb[(static_cast<size_t>(y) * frame.width + x) * 3];
            if (p[0] < 0x20 && p[1] > 0xe0 && p[2] < 0x20) ++n;
        }
    return n;
}

TEST(Window, OpensResizableAtTheModeSizeAndClosingItDuringTheWaitQuits) {
    if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
    XSetErrorHandler(IgnoreXError);
    VirtualDisplay xvfb;
    Display* display = xvfb.Start();
    ASSERT_NE(display, nullptr) << "no virtual display";
    const std::string root = testing::TempDir() + "tessaly_window_" + std::to_string(getpid());
    fs::remove_all(root);
    demo::WriteDataSet(root + "/data");

    setenv("DISPLAY", xvfb.Name().c_str(), 1);
    // In the sanitizer build the display's own libraries (D-Bus, the X and GL
    // drivers SDL loads) keep allocations to the end; leaks of the program's
    // code are looked for by the headless runs.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string savedAsan = asan ? asan : "";
    setenv("ASAN_OPTIONS", (savedAsan.empty() ? std::string() : savedAsan + ":").append("detect_leaks=0").c_str(), 1);
    const pid_t program =
        runner::Start({"--data", root + "/data", "--window", "--capture", root + "/frames"}, root + "/output.txt");
    unsetenv("DISPLAY");
    if (asan)
        setenv("ASAN_OPTIONS", savedAsan.c_str(), 1);
    else
        unsetenv("ASAN_OPTIONS");

    // The start-up wait begins once its text is presented (the third frame).
    // The window is looked up then: setting up the renderer may replace the
    // first one SDL made.
    const std::string waitFrame = root + "/frames/frame00002.tga";
    const auto limit = Clock::now() + std::chrono::seconds(60);
    while (!fs::exists(waitFrame) && Clock::now() < limit) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Window window = FindProgramWindow(display);
    if (!window || !fs::exists(waitFrame)) {
        kill(program, SIGKILL);
        runner::Wait(program);
        XCloseDisplay(display);
        FAIL() << "no window or no wait frame: " << runner::ReadAll(root + "/output.txt");
    }

    const std::string context = "display " + xvfb.Name() + ", program output: " + runner::ReadAll(root + "/output.txt");
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(display, window, &attributes)) << context;
    EXPECT_EQ(attributes.width, 640) << context;
    EXPECT_EQ(attributes.height, 480) << context;
    XSizeHints hints{};
    long supplied = 0;
    XGetWMNormalHints(display, window, &hints, &supplied);
    EXPECT_EQ(hints.flags & PMaxSize, 0) << "a window that cannot be resized has a maximum size";

    // Closing the window now ends the five-second wait and the program.
    const auto closed = Clock::now();
    RequestClose(display, window);
    const int code = WaitAtMost(program, std::chrono::seconds(60));
    const double seconds = std::chrono::duration<double>(Clock::now() - closed).count();
    XCloseDisplay(display);
    EXPECT_EQ(code, 0) << context << runner::ReadAll(root + "/output.txt");
    EXPECT_LT(seconds, 3.5) << context;

    // What the window showed during the wait: the text, at the top left.
    const demo::Picture shown = demo::ReadTga(waitFrame);
    EXPECT_EQ(shown.width, 640) << context;
    EXPECT_GT(GreenTextPixels(shown), 100) << context;
    fs::remove_all(root);
}

}  // namespace
