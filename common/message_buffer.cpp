#include "common/message_buffer.h"

#include <cstdio>

const char* FormatBoundedV(char* buffer, size_t size, const char* format, va_list args) {
    if (size == 0) return buffer;
    if (std::vsnprintf(buffer, size, format ? format : "", args) < 0) buffer[0] = '\0';
    return buffer;
}

const char* FormatBounded(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatBoundedV(buffer, size, format, args);
    va_end(args);
    return buffer;
}

int SendBoundedV(r_MsgCallback cb, char* buffer, size_t size, const char* format, va_list args) {
    FormatBoundedV(buffer, size, format, args);
    return cb ? cb(buffer) : 0;
}
