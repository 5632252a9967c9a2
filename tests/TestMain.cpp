#include <gtest/gtest.h>

#include "TestUtil.h"

#ifdef ZE2_UI_TESTS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

// Options for sanitizer builds (read before main runs). OpenGL drivers and the desktop
// libraries (D-Bus, fontconfig) keep allocations until exit and are unloaded before the leak
// check can name them, so the window suite checks memory errors but not leaks; the library
// suite checks both.
extern "C" const char* __asan_default_options()
{
#ifdef ZE2_UI_TESTS
    return "detect_leaks=0";
#else
    return "detect_leaks=1";
#endif
}

extern "C" const char* __ubsan_default_options()
{
    return "print_stacktrace=1";
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // No test may touch the settings of the person running it.
    TTempDir home;
    setenv("XDG_CONFIG_HOME", home.Path().c_str(), 1);
    setenv("BRAKKENTIV_REGISTRY", (home.Path() + "/registry").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
#ifdef ZE2_UI_TESTS
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
