// The engine's link to the raster back-end and its message buffer, shared by
// every engine module (internal to libt7gfx.so, never exported).
#pragma once

#include <cstdarg>

#include "tessaly/raster_interface.h"

// The entries bound by the last r_LinkRaster; every slot is null while no
// back-end is linked (and the slots after a failed lookup stay null).
const RasterEntryTable& Raster();

// True once r_SwapBuffers has been called; it stays true for the process.
bool FramePresented();

// The first three arguments of the last r_InitEngine (0 before the first).
int RememberedCard();
int RememberedVideoMode();
int RememberedDevice();

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
