// Error codes and texts of the music library.
#include "audio/music_errors.h"

#include <cstdarg>
#include <cstdio>

#include "common/message_buffer.h"

namespace music {

namespace {

const char* const kTexts[kErrorCount] = {
    "No error",
    "Library not started (MIDASstartup not called, or the library was closed)",
    "No output open (MIDASinit not called, or it failed)",
    "Output already open (MIDASinit called twice)",
    "Unknown option",
    "Option value out of range",
    "No audio device",
    "Could not create WAV file",
    "Could not write WAV file",
    "Could not read module file",
    "Module format not recognised",
    "Out of memory",
    "Too many modules loaded",
    "Invalid module handle",
    "Too many modules playing",
    "Invalid play handle",
};

int g_lastError = kErrorNone;
char g_detail[512] = "";
char g_message[1024] = "";

}  // namespace

void SetError(ErrorCode code, const char* detailFormat, ...) {
    g_lastError = code;
    g_detail[0] = '\0';
    if (!detailFormat) return;
    va_list args;
    va_start(args, detailFormat);
    FormatBoundedV(g_detail, sizeof g_detail, detailFormat, args);
    va_end(args);
}

void ClearError() {
    g_lastError = kErrorNone;
    g_detail[0] = '\0';
}

int LastError() { return g_lastError; }

const char* ErrorMessage(int code) {
    if (code < 0 || code >= kErrorCount) {
        std::snprintf(g_message, sizeof g_message, "Unknown error code %d", code);
    } else if (code == g_lastError && g_detail[0]) {
        std::snprintf(g_message, sizeof g_message, "%s: %s", kTexts[code], g_detail);
    } else {
        std::snprintf(g_message, sizeof g_message, "%s", kTexts[code]);
    }
    return g_message;
}

}  // namespace music
