// The back-end's one state instance and its message path.
#include <cstdarg>
#include <cstdio>

#include "raster/raster_device.h"

namespace raster {

namespace {
Device g_device;
char g_message[kMessageBufferSize];

void FormatInto(const char* format, va_list args) {
    std::vsnprintf(g_message, sizeof g_message, format, args);
}
}  // namespace

Device& GetDevice() { return g_device; }

const char* MessageBuffer() { return g_message; }

const char* FormatMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatInto(format, args);
    va_end(args);
    return g_message;
}

int SendMessage(r_MsgCallback cb, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatInto(format, args);
    va_end(args);
    return cb ? cb(g_message) : 0;
}

}  // namespace raster
