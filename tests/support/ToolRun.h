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

// The words of a POSIX shell line of plain words, single-quoted strings and backslash escapes, as
// the tool prints file names.
inline std::vector<std::string> ShellWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    bool escaped = false;
    for (char c : line) {
        if (escaped) {
            word += c;
            escaped = false;
        } else if (!quoted && c == '\\') {
            escaped = true;
            inWord = true;
        } else if (quoted) {
            if (c == '\'')
                quoted = false;
            else
                word += c;
        } else if (c == '\'') {
            quoted = true;
            inWord = true;
        } else if (c == ' ') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

// Runs in this process every line of text that is a vornex-tool command line, in order, up to the
// first that fails; the outcome of that one or of the last. Status -1 when text holds none.
inline Outcome RunPrinted(const std::string& text) {
    Outcome last;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> words = ShellWords(line);
        if (words.empty() || words.front() != "vornex-tool")
            continue;
        words.erase(words.begin());
        last = RunLine(words);
        if (last.status != 0)
            break;
    }
    return last;
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
