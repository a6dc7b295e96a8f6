// The console command interpreter: runs one finished command line from the
// console (or from start-up) against the program's settings and scene slots,
// and prints its replies on the console.
#pragma once

// Runs one command line. The line is upper-cased in place; keywords match by
// prefix in a fixed order (the first match wins), arguments follow the keyword.
// Every line that is not empty ends with r_ConsoleCommandAccepted; an empty
// line does nothing at all.
void RunConsoleCommand(char* line);
