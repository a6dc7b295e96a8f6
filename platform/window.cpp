// The program window: an SDL window when there is a display, otherwise a
// headless object that only remembers the size it was asked for.
#include <cstdio>
#include <new>

#include <SDL.h>

#include "platform/platform.h"
#include "platform/platform_internal.h"

struct PlatWindow {
    SDL_Window* sdl;  // null for a headless window
    int width;        // size asked for at creation
    int height;
    bool resizable;  // the picture keeps width x height, scaled into the window
};

namespace {

PlatWindow* CreateWindow(const char* title, int width, int height, bool resizable) {
    PlatWindow* window = new (std::nothrow) PlatWindow{nullptr, width, height, resizable};
    if (!window) return nullptr;
    if (!plat_internal::VideoReady()) return window;

    const int w = width > 0 ? width : 1;
    const int h = height > 0 ? height : 1;
    const Uint32 flags = SDL_WINDOW_SHOWN | (resizable ? SDL_WINDOW_RESIZABLE : SDL_WINDOW_BORDERLESS);
    window->sdl = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
    if (!window->sdl) std::fprintf(stderr, "plat_CreateWindow : %s, continuing without a window\n", SDL_GetError());
    return window;
}

}  // namespace

PlatWindow* plat_CreateWindow(const char* title, int width, int height) {
    return CreateWindow(title, width, height, false);
}

PlatWindow* plat_CreateResizableWindow(const char* title, int width, int height) {
    return CreateWindow(title, width, height, true);
}

void plat_DestroyWindow(PlatWindow* window) {
    if (!window) return;
    if (window->sdl) SDL_DestroyWindow(window->sdl);
    delete window;
}

int plat_WindowIsHeadless(PlatWindow* window) { return !window || !window->sdl ? 1 : 0; }

void* plat_GetSdlWindow(PlatWindow* window) { return window ? window->sdl : nullptr; }

void plat_GetClientSize(PlatWindow* window, int* width, int* height) {
    int w = 0;
    int h = 0;
    if (window && window->sdl && !window->resizable) {
        SDL_GetWindowSize(window->sdl, &w, &h);
    } else if (window) {
        w = window->width;
        h = window->height;
    }
    if (width) *width = w;
    if (height) *height = h;
}

void plat_GetScreenSize(int* width, int* height) {
    int w = 640;
    int h = 480;
    SDL_DisplayMode mode;
    if (plat_internal::VideoReady() && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        w = mode.w;
        h = mode.h;
    }
    if (width) *width = w;
    if (height) *height = h;
}

void plat_ShowCursor(int show) {
    if (plat_internal::VideoReady()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}
