// Bounded message formatting, the one formatter every library's diagnostics
// go through: the text is formatted with vsnprintf into a fixed buffer, cut to
// fit and always terminated, never written past the buffer's end.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "tessaly/export.h"

// Formats into buffer (size bytes); returns buffer.
const char* FormatBoundedV(char* buffer, size_t size, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));
const char* FormatBounded(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Formats into buffer and hands it to cb when cb is non-null. Returns cb's
// result, or 0 for a null cb.
int SendBoundedV(r_MsgCallback cb, char* buffer, size_t size, const char* format, va_list args)
    __attribute__((format(printf, 4, 0)));

// A library's one diagnostic buffer of N characters: each message replaces
// the last and stays valid until the next.
template <size_t N>
class MessageBuffer {
public:
    // Formats the message and hands it to cb (when non-null); cb's result or 0.
    __attribute__((format(printf, 3, 4))) int Send(r_MsgCallback cb, const char* format, ...) {
        va_list args;
        va_start(args, format);
        const int result = SendBoundedV(cb, text_, N, format, args);
        va_end(args);
        return result;
    }
    // Formats the message without sending it; returns the text.
    __attribute__((format(printf, 2, 3))) const char* Format(const char* format, ...) {
        va_list args;
        va_start(args, format);
        FormatBoundedV(text_, N, format, args);
        va_end(args);
        return text_;
    }
    const char* Text() const { return text_; }

private:
    char text_[N] = {};
};
