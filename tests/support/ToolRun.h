// ToolRun.h — vornex-tool run in process and as the built executable, and the oracle programs
// run beside it, for the tool's tests.
#pragma once

#include "Commands.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace test {

// Bytes as a file's content.
inline QByteArray AsQt(const std::vector<uint8_t>& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// The exit status and the two streams of a command.
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// The tool's command line run in this process.
inline Outcome RunLine(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = tool::RunTool(args, out, err);
    return {status, out.str(), err.str()};
}

// A program run to its end with input on its standard input; a program that does not start or
// does not end within five minutes fails the test (status -1).
inline Outcome Start(const QString& program, const QStringList& args,
                     const QByteArray& input = {}) {
    QProcess process;
    process.start(program, args);
    Outcome f;
    if (!process.waitForStarted()) {
        ADD_FAILURE() << program.toStdString() << " did not start (scripts/setup.sh installs it)";
        return f;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(300000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
        return f;
    }
    f.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    f.out = process.readAllStandardOutput().toStdString();
    f.err = process.readAllStandardError().toStdString();
    return f;
}

#ifdef VORNEX_TOOL_PATH
// The built executable.
inline Outcome Tool(const QStringList& args, const QByteArray& input = {}) {
    return Start(QStringLiteral(VORNEX_TOOL_PATH), args, input);
}
#endif

// An oracle program that must succeed; its standard output.
inline std::string Oracle(const QString& program, const QStringList& args) {
    const Outcome f = Start(program, args);
    EXPECT_EQ(f.status, 0) << program.toStdString() << " " << args.join(' ').toStdString() << "\n"
                           << f.err;
    return f.out;
}

} // namespace test
