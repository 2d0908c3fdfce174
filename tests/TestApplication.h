// TestApplication.h — the application object of the test programs.
#pragma once

#include <QApplication>

namespace test {

// Catches an exception that escapes an event handler, as the program's application object does,
// and fails the running test with its message instead of showing a box.
class TestApplication : public QApplication {
public:
    TestApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace test
