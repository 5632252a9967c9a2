#include <gtest/gtest.h>

#include "TestUtil.h"

#ifdef ZE2_UI_TESTS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

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
