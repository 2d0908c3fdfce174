// TestSupport.h — helpers shared by the test folders: answered message boxes and scratch files.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

// Failed QString comparisons print the text and its code units.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << "\" {" << std::hex;
    for (QChar c : s)
        *os << " U+" << static_cast<unsigned>(c.unicode());
    *os << std::dec << " }";
}

namespace test {

struct ShownBox {
    QString text;
    QString caption;
    uint32_t flags;
};

// While alive, every message box is recorded and answered from the queue of answers (then with
// defaultAnswer) instead of being shown. Outside its lifetime a box fails the running test.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int defaultAnswer = 2);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<ShownBox> boxes;
    std::deque<int> answers;
    int defaultAnswer;
};

// Installs the handler that fails a test on any box not expected by a MessageBoxRecorder.
void FailOnUnexpectedMessageBoxes();

// A scratch folder removed with its contents at the end of the test.
class ScratchDir {
public:
    ScratchDir();
    QString path(const QString& name) const;
    std::string native(const QString& name) const;
    QString write(const QString& name, const QByteArray& content) const;

private:
    QTemporaryDir dir_;
};

// A tmpfs of a given size mounted on a scratch folder for the lifetime of the object, where this
// process may mount one (root with the right to mount); mounted() tells whether it is, and
// reason() why not.
class SmallFileSystem {
public:
    explicit SmallFileSystem(int sizeKiB);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    const ScratchDir& dir() const { return dir_; }

private:
    ScratchDir dir_;
    bool mounted_ = false;
    std::string reason_;
};

QByteArray ReadAll(const QString& path);

// Bytes 0, 1, 2, ... n-1 (mod 256).
QByteArray Ramp(int n);

} // namespace test
