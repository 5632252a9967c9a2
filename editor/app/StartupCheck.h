// The start-up check: the three things the editor cannot work without on this platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TStartupProbe
{
    bool OpenGLAvailable = false; // an OpenGL 3.3 core context can be made
    uint32_t PhysicsVersion = 0;  // what the KexPhysics library answers
    std::string ProgramFolder;    // with its trailing separator
};

struct TStartupResult
{
    bool Passed = true;
    // The help page of every failed test, in test order ("dx81", "physx", "folders").
    std::vector<std::string> HelpPages;
};

// Runs all three tests. A missing "defaults", "tracks" or "models" folder is created (all
// three are made, as an installer would) and counts as a failure.
TStartupResult RunStartupCheck(const TStartupProbe& probe);

// Whether an OpenGL 3.3 core context can be made here. Never creates a window; platforms
// without OpenGL (Qt's offscreen and minimal ones) answer false. Needs a QGuiApplication.
bool ProbeOpenGL(std::string* reason = nullptr);

// The question asked when the check fails.
extern const char* const StartupCheckQuestion;
extern const char* const StartupCheckCaption;
