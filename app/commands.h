// The console command interpreter's entry point.
#pragma once

// Runs one command line (upper-cased in place). An empty line does nothing.
void RunCommand(char* line);
