#pragma once
// Running the host's own tools (wimdir, xorriso, the disc generator) from the demo.
#include <string>

// The text in single quotes for the shell.
std::string Quote(const std::string& text);
// Runs a shell command; returns what it printed (standard output and error) and its status.
std::string Shell(const std::string& command, int* status = nullptr);
