// Console commands. For now only the two the program runs on itself at
// start-up: the ambient light and the bilinear filter toggle; every other line
// answers "Unknown Command!". The full interpreter replaces this file.
#include "app/commands.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/scene_slots.h"
#include "common/file_buffer.h"
#include "tessaly/engine_api.h"
#include "tessaly/raster_interface.h"

namespace {

bool StartsWith(const char* line, const char* keyword) {
    return std::strncmp(line, keyword, std::strlen(keyword)) == 0;
}

void Reply(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Reply(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(g_app.message, sizeof g_app.message, format, args);
    va_end(args);
    r_ConsolePrintLine(g_app.message);
}

void SetAmbient(const char* arguments) {
    int used = 0;
    for (float& channel : g_app.ambient) {
        channel = static_cast<float>(FileBuffer::ParseFloat(arguments, used));
        arguments += used;
    }
    r_SetAmbient(g_app.ambient[0], g_app.ambient[1], g_app.ambient[2]);
    for (int slot = 0; slot < 3; ++slot) RelightSlot(slot);
    Reply("Ambient set to %4.3f R ,%4.3f G ,%4.3f B", static_cast<double>(g_app.ambient[0]),
          static_cast<double>(g_app.ambient[1]), static_cast<double>(g_app.ambient[2]));
}

void ToggleBilinear() {
    g_app.bilinear = !g_app.bilinear;
    r_SetRenderState(RS_BILINEAR, g_app.bilinear ? 1 : 0);
    Reply("%s", g_app.bilinear ? "Bilinear Filter On" : "Bilinear Filter Off");
}

}  // namespace

void RunCommand(char* line) {
    if (!line || line[0] == '\0') return;
    for (char* c = line; *c; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    char copy[kPathSize];
    std::snprintf(copy, sizeof copy, "%s", line);

    if (StartsWith(copy, "SETAMBIENT"))
        SetAmbient(copy + std::strlen("SETAMBIENT"));
    else if (StartsWith(copy, "BILINEAR"))
        ToggleBilinear();
    else
        Reply("%s", "Unknown Command!");
    r_ConsoleCommandAccepted();
}
