#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The whole life of the program: start-up, message loop, shutdown.
// args excludes the program name. Returns the process exit code.
int RunQuillet(HINSTANCE instance, int showCommand, const std::vector<std::string>& args);
