// Lines the user must see whatever the run: a module that cannot be loaded, a
// file read only in part, a scene that could not be read. They go to standard
// error and, once the console exists, onto the console as well.
#pragma once

// Writes "tessaly: <text>" to standard error and the text as a console line
// when the console is up. The text is one line (a trailing newline is dropped).
void ReportToUser(const char* text);
// The same with printf formatting.
void ReportToUserF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// r_MsgCallback form of ReportToUser, handed to r_SetReportCallback; returns 0.
int UserReportCallback(const char* text);
// Whether console lines are written too (set once r_ConsoleInit has run,
// cleared when the engine goes down).
void SetConsoleReports(bool on);
