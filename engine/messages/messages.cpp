#include "engine/messages/messages.h"

#include <cstring>

#include "common/message_buffer.h"
#include "tessaly/engine_api.h"

namespace {

char gMessage[1024];              // every engine diagnostic is formatted here
r_MsgCallback gReport = nullptr;  // r_SetReportCallback's callback, null: reports dropped
char gReportText[1024];           // every report is formatted here

}  // namespace

int EngineMessageV(r_MsgCallback cb, const char* format, va_list args) {
    return SendBoundedV(cb, gMessage, sizeof gMessage, format, args);
}

int EngineMessage(r_MsgCallback cb, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = EngineMessageV(cb, format, args);
    va_end(args);
    return result;
}

void EngineReport(const char* format, ...) {
    if (!gReport) return;
    va_list args;
    va_start(args, format);
    FormatBoundedV(gReportText, sizeof gReportText, format, args);
    va_end(args);
    // One line: a newline the format or a quoted text ends with is dropped.
    size_t length = std::strlen(gReportText);
    while (length > 0 && (gReportText[length - 1] == '\n' || gReportText[length - 1] == '\r'))
        gReportText[--length] = '\0';
    gReport(gReportText);
}

TESSALY_EXPORT void r_SetReportCallback(r_MsgCallback cb) { gReport = cb; }
