// TestApplication.cpp — the test programs' application object.
#include "TestApplication.h"

#include <exception>
#include <gtest/gtest.h>

namespace test {

TestApplication::TestApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TestApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "Exception escaped an event handler: " << e.what();
    }
    return false;
}

} // namespace test
