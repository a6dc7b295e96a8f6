// Console commands: the program's entry point hands every line to the
// interpreter (app/console_commands.cpp).
#include "app/commands.h"

#include "app/console_commands.h"

void RunCommand(char* line) { RunConsoleCommand(line); }
