// TestApplicationTest.cpp — the test programs' application object turns an exception escaping an
// event handler into a failure of the running test.
#include "TestApplication.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("thrown by a handler");
        return QObject::event(e);
    }
};

void SendUserEvent() {
    ThrowingObject target;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
}

} // namespace

TEST(TestApplication, IsTheApplicationObject) {
    EXPECT_NE(dynamic_cast<test::TestApplication*>(QCoreApplication::instance()), nullptr);
}

TEST(TestApplication, ExceptionEscapingAHandlerFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(SendUserEvent(),
                            "Exception escaped an event handler: thrown by a handler");
}
