// TestMain.cpp — test entry point: a headless application object, then GoogleTest.
#include "Fonts.h"
#include "TestApplication.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery runs the binaries outside ctest's environment, so select the platform here;
    // the tests of X11 behaviour choose xcb through VORNEX_TEST_QPA_PLATFORM.
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsSet("VORNEX_TEST_QPA_PLATFORM")
                                   ? qgetenv("VORNEX_TEST_QPA_PLATFORM")
                                   : QByteArray("offscreen"));
    test::TestApplication app(argc, argv);
    platform::RegisterFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    test::FailOnUnexpectedMessageBoxes();
    return RUN_ALL_TESTS();
}
