// Message boxes: always a line on standard error, and a real box only where a
// person can see it, so headless runs never wait.
#include <cstdio>

#include <SDL.h>

#include "platform/platform.h"
#include "platform/platform_internal.h"

int plat_MessageBox(PlatWindow* owner, const char* text, const char* caption, unsigned flags) {
    if (!text) text = "";
    if (!caption) caption = "";
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);

    if (plat_IsHeadless()) return 1;
    Uint32 kind = SDL_MESSAGEBOX_ERROR;
    if ((flags & 0xF0u) == PLAT_MB_ICONWARNING)
        kind = SDL_MESSAGEBOX_WARNING;
    else if ((flags & 0xF0u) == PLAT_MB_ICONINFORMATION)
        kind = SDL_MESSAGEBOX_INFORMATION;
    SDL_Window* window = static_cast<SDL_Window*>(plat_GetSdlWindow(owner));
    SDL_ShowSimpleMessageBox(kind, caption, text, window);
    return 1;  // the only button is OK
}
