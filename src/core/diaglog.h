// The optional diagnostics log, switched on by "/LOG". Without the switch every call returns at
// once and no file is created or touched.
#pragma once
#include <string>
#include <string_view>

namespace lv {

// Starts logging to diagnostics.log in the configuration folder (created anew each time):
// writes the three header lines and enables logLine. exePath is the full path of the program
// file, commandLine the whole command line as the system gave it (the program path is cut off
// here). Nothing happens when logging is already on. A file that cannot be created is ignored;
// entries then fail silently.
void logOpen(std::string_view exePath, std::string_view commandLine);
// The same, writing to an explicit file (tests, tools).
void logOpenAt(std::string_view logPath, std::string_view exePath, std::string_view commandLine);
// Appends "HH:MM:SS  message" CR LF. Safe from any thread; each entry is written whole and the
// file closed before the next writer opens it. Errors are swallowed.
void logLine(std::string_view message);
// Writes "clean shutdown" and switches logging off.
void logClose();
bool logEnabled();
// The file being written, empty when logging is off.
std::string logPath();

// The arguments after the program path: a quoted program path is skipped up to its closing
// quote, otherwise up to the first space; leading spaces are removed; case is kept.
std::string_view commandLineArguments(std::string_view commandLine);

}  // namespace lv
