// The engine's messages: the one buffer every engine diagnostic is formatted
// into before it goes to the caller's callback, and the report line handed to
// the callback the application sets with r_SetReportCallback. Shared by every
// engine module (internal to libt7gfx.so, except r_SetReportCallback).
#pragma once

#include <cstdarg>

#include "tessaly/export.h"

// Formats a diagnostic into the engine's 1024-character message buffer (an
// over-long text is cut, never written past the buffer) and hands the buffer
// to cb when cb is non-null. Returns cb's result, or 0 for a null cb. The text
// stays valid until the next engine message is formatted.
int EngineMessage(r_MsgCallback cb, const char* format, ...) __attribute__((format(printf, 2, 3)));
int EngineMessageV(r_MsgCallback cb, const char* format, va_list args) __attribute__((format(printf, 2, 0)));

// Hands one line (formatted here, without a trailing newline) to the callback
// set by r_SetReportCallback; nothing when none is set. Uses its own buffer, so
// it never overwrites a message an operation is about to hand its caller.
void EngineReport(const char* format, ...) __attribute__((format(printf, 1, 2)));
