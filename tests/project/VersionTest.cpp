// VersionTest.cpp — both programs answer --version with the project's version, without a display.
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

TEST(Version, BothProgramsPrintTheProjectVersion) {
    const struct {
        const char* program;
        const char* name;
    } programs[] = {{VORNEX_APP_PATH, "vornex"}, {VORNEX_TOOL_PATH, "vornex-tool"}};
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        QProcess process;
        // No display of any kind: the window must not be needed to answer.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        process.setProcessEnvironment(environment);
        process.start(QString::fromUtf8(p.program), {"--version"});
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        EXPECT_EQ(process.readAllStandardOutput().toStdString(),
                  std::string(p.name) + " " + VORNEX_VERSION + "\n");
    }
}
