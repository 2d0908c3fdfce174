// TestSupport.cpp — helpers shared by the test folders.
#include "TestSupport.h"

#include "MessageBox.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace test {

MessageBoxRecorder::MessageBoxRecorder(int answer) : defaultAnswer(answer) {
    platform::SetMessageBoxHandler(
        [this](const QString& text, const QString& caption, uint32_t flags) {
            boxes.push_back({text, caption, flags});
            if (!answers.empty()) {
                const int a = answers.front();
                answers.pop_front();
                return a;
            }
            return defaultAnswer;
        });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    FailOnUnexpectedMessageBoxes();
}

void FailOnUnexpectedMessageBoxes() {
    platform::SetMessageBoxHandler([](const QString& text, const QString& caption, uint32_t) {
        ADD_FAILURE() << "Unexpected message box \"" << caption.toStdString()
                      << "\": " << text.toStdString();
        return platform::IDCANCEL;
    });
}

ScratchDir::ScratchDir() {
    EXPECT_TRUE(dir_.isValid());
}

QString ScratchDir::path(const QString& name) const {
    return dir_.filePath(name);
}

std::string ScratchDir::native(const QString& name) const {
    return QFile::encodeName(path(name)).toStdString();
}

QString ScratchDir::write(const QString& name, const QByteArray& content) const {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    EXPECT_EQ(f.write(content), content.size());
    return f.fileName();
}

SmallFileSystem::SmallFileSystem(int sizeKiB) {
    const std::string options = "size=" + std::to_string(sizeKiB) + "k";
    mounted_ = ::mount("tmpfs", dir_.native({}).c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                       options.c_str()) == 0;
    if (!mounted_)
        reason_ = std::string("mounting a tmpfs failed: ") + std::strerror(errno);
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_) {
        EXPECT_EQ(::umount2(dir_.native({}).c_str(), MNT_DETACH), 0) << std::strerror(errno);
    }
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray Ramp(int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>(i & 0xFF);
    return b;
}

} // namespace test
