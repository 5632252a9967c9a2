#pragma once

#include <string>

// Diagnostics for developers (device and physics faults): one line on stderr. Never shown
// to the user.
void DebugOutput(const std::string& text);
