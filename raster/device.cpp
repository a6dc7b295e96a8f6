// The back-end's one state instance and its message path.
#include <cstdarg>

#include "common/message_buffer.h"
#include "raster/raster_device.h"

namespace raster {

namespace {
Device g_device;
char g_message[kMessageBufferSize];
}  // namespace

Device& GetDevice() { return g_device; }

const char* MessageBuffer() { return g_message; }

const char* FormatMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatBoundedV(g_message, sizeof g_message, format, args);
    va_end(args);
    return g_message;
}

int SendMessage(r_MsgCallback cb, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = SendBoundedV(cb, g_message, sizeof g_message, format, args);
    va_end(args);
    return result;
}

}  // namespace raster
