// The player's two last-resort routines: the fatal-error exit and the GL error report.
#pragma once
#include <string>

// Writes "crash.txt" with the message and ends the process with status 1.
[[noreturn]] void crashExit(const std::string& message);

// Prints every pending GL error with a label, clearing them.
void flushGlErrors(const char* label);
