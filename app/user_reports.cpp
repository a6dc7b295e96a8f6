#include "app/user_reports.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tessaly/engine_api.h"

namespace {

bool g_consoleReports = false;

}  // namespace

void ReportToUser(const char* text) {
    char line[1024];
    std::snprintf(line, sizeof line, "%s", text ? text : "");
    // One line: trailing line ends go, inner ones become spaces.
    size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = '\0';
    for (char* c = line; *c; ++c)
        if (*c == '\n' || *c == '\r') *c = ' ';
    std::fprintf(stderr, "tessaly: %s\n", line);
    std::fflush(stderr);
    if (g_consoleReports) r_ConsolePrintLine(line);
}

void ReportToUserF(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    ReportToUser(line);
}

int UserReportCallback(const char* text) {
    ReportToUser(text);
    return 0;
}

void SetConsoleReports(bool on) { g_consoleReports = on; }
