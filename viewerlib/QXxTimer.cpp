// QXxTimer.cpp — TOldTimer over a QTimer of the creating thread.
#include "QXxTimer.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <utility>

TOldTimer::TOldTimer(QObject* AOwner)
    : QObject(AOwner), FTimer(new QTimer(this)), FOwnerThread(std::this_thread::get_id()) {
    connect(FTimer, &QTimer::timeout, this, &TOldTimer::DoTimer);
}

TOldTimer::~TOldTimer() {
    FEnabled = false;
    FTimer->stop();
}

void TOldTimer::setEnabled(bool Value) {
    if (std::this_thread::get_id() != FOwnerThread) {
        // One posted call carries any number of requests made before it runs; it dies with this
        // object, so a request cannot outlive the timer.
        std::lock_guard guard(FRequestLock);
        const bool posted = FRequest != Request::None;
        FRequest = Value ? Request::SwitchOn : Request::SwitchOff;
        if (!posted)
            QMetaObject::invokeMethod(this, "ApplyRequest", Qt::QueuedConnection);
        return;
    }
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    UpdateTimer();
}

void TOldTimer::setInterval(uint32_t Value) {
    if (Value == FInterval)
        return;
    FInterval = Value;
    UpdateTimer();
}

void TOldTimer::setOnTimer(TNotifyEvent Value) {
    FOnTimer = std::move(Value);
    UpdateTimer();
}

void TOldTimer::ApplyRequest() {
    Request request = Request::None;
    {
        std::lock_guard guard(FRequestLock);
        request = std::exchange(FRequest, Request::None);
    }
    if (request != Request::None)
        setEnabled(request == Request::SwitchOn);
}

bool TOldTimer::timerRunning() const {
    return FTimer->isActive();
}

void TOldTimer::DoTimer() {
    // A copy, since the handler may assign OnTimer while it runs.
    if (const TNotifyEvent handler = FOnTimer)
        handler(this);
}

void TOldTimer::UpdateTimer() {
    FTimer->stop();
    if (FInterval != 0 && FEnabled && FOnTimer) {
        FTimer->start(static_cast<int>(std::min<uint32_t>(FInterval, INT_MAX)));
        if (!FTimer->isActive())
            throw EOutOfResources("No more Timers");
    }
}
