// Window messages: SDL's quit and window-close events, SIGINT and SIGTERM, and
// messages posted by the program itself all arrive through plat_PeekMessage.
//
// The platform is the only reader of SDL's event queue. Keyboard and mouse state
// are read by the input library from SDL's state tables, which SDL_PumpEvents
// keeps current; the events themselves are dropped once the close requests are
// taken out of them, so the queue never fills.
#include <atomic>
#include <csignal>
#include <mutex>

#include <SDL.h>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace {

constexpr int kQueueSize = 64;

struct MessageQueue {
    PlatMessage ring[kQueueSize];
    int head = 0;   // index of the oldest message
    int count = 0;  // messages waiting
};

MessageQueue g_queue;
std::mutex g_queueMutex;
// Set by the signal handler, turned into one close message by the next peek.
std::atomic<int> g_signalPending{0};
// The window was uncovered or resized since the last repaint request was taken.
std::atomic<bool> g_repaintRequested{false};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnTerminationSignal(int) { g_signalPending.store(1); }

void PumpSdlEvents() {
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_QUIT, SDL_QUIT) > 0) plat_PostMessage(PLAT_MSG_CLOSE, 0);
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT) > 0) {
        switch (event.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                plat_PostMessage(PLAT_MSG_CLOSE, 0);
                break;
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                g_repaintRequested.store(true);
                break;
            default:
                break;
        }
    }
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

}  // namespace

namespace plat_internal {

void ResetMessages() {
    {
        std::lock_guard<std::mutex> lock(g_queueMutex);
        g_queue.head = 0;
        g_queue.count = 0;
    }
    g_signalPending.store(0);
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace plat_internal

void plat_PostMessage(int kind, int code) {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    if (g_queue.count == kQueueSize) {
        // Full: the oldest message gives way, the latest request counts most.
        g_queue.head = (g_queue.head + 1) % kQueueSize;
        --g_queue.count;
    }
    g_queue.ring[(g_queue.head + g_queue.count) % kQueueSize] = PlatMessage{kind, code};
    ++g_queue.count;
}

namespace plat_internal {

bool TakeRepaintRequest() { return g_repaintRequested.exchange(false); }

}  // namespace plat_internal

namespace {

// Window events and signals into the queue.
void GatherMessages() {
    if (plat_internal::VideoReady()) PumpSdlEvents();
    if (g_signalPending.exchange(0)) plat_PostMessage(PLAT_MSG_CLOSE, 0);
}

}  // namespace

int plat_MessagePending(void) {
    GatherMessages();
    std::lock_guard<std::mutex> lock(g_queueMutex);
    return g_queue.count > 0 ? 1 : 0;
}

int plat_PeekMessage(PlatMessage* message) {
    GatherMessages();

    std::lock_guard<std::mutex> lock(g_queueMutex);
    if (g_queue.count == 0) return 0;
    const PlatMessage taken = g_queue.ring[g_queue.head];
    g_queue.head = (g_queue.head + 1) % kQueueSize;
    --g_queue.count;
    if (message) *message = taken;
    return 1;
}
