#include "engine/messages/messages.h"

#include <cstring>

#include "common/message_buffer.h"
#include "tessaly/engine_api.h"

namespace {

char g_message[1024];              // every engine diagnostic is formatted here
r_MsgCallback g_report = nullptr;  // r_SetReportCallback's callback, null: reports dropped
char g_reportText[1024];           // every report is formatted here

}  // namespace

int EngineMessageV(r_MsgCallback cb, const char* format, va_list args) {
    return SendBoundedV(cb, g_message, sizeof g_message, format, args);
}

int EngineMessage(r_MsgCallback cb, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = EngineMessageV(cb, format, args);
    va_end(args);
    return result;
}

void EngineReport(const char* format, ...) {
    if (!g_report) return;
    va_list args;
    va_start(args, format);
    FormatBoundedV(g_reportText, sizeof g_reportText, format, args);
    va_end(args);
    // One line: a newline the format or a quoted text ends with is dropped.
    size_t length = std::strlen(g_reportText);
    while (length > 0 && (g_reportText[length - 1] == '\n' || g_reportText[length - 1] == '\r'))
        g_reportText[--length] = '\0';
    g_report(g_reportText);
}

TESSALY_EXPORT void r_SetReportCallback(r_MsgCallback cb) { g_report = cb; }
