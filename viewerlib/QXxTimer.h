// QXxTimer.h — TOldTimer, a timer whose expiry is always delivered on the thread that created it
// (the GUI thread) and which another thread may switch on or off.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

class QTimer;

// An event handler; Sender is the object that raises it.
using TNotifyEvent = std::function<void(QObject* Sender)>;

// Raised when the system cannot provide a resource, such as a running timer.
class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TOldTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(uint Interval READ Interval WRITE setInterval)

public:
    explicit TOldTimer(QObject* AOwner = nullptr);
    ~TOldTimer() override;

    // Default true. Setting a different value restarts or stops the system timer. From another
    // thread the request is queued to the timer's own thread and applied there.
    bool Enabled() const { return FEnabled; }
    void setEnabled(bool Value);

    // Milliseconds between expiries, default 1000; 0 keeps the system timer off.
    uint32_t Interval() const { return FInterval; }
    void setInterval(uint32_t Value);

    // Called with Sender = this at each expiry. Setting it always restarts the system timer, which
    // runs only while Interval is not 0, Enabled is true and OnTimer is set.
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void setOnTimer(TNotifyEvent Value);

    // True while the timer owns a running system timer.
    bool timerRunning() const;

protected:
    // Called at each expiry; calls OnTimer when it is set. An error escaping it goes to the
    // application's handling of errors that escape event handlers.
    virtual void DoTimer();

private:
    // Stops the system timer, then starts it again when Interval, Enabled and OnTimer allow it.
    // Throws EOutOfResources ("No more Timers") when the system does not start it.
    void UpdateTimer();

    // Applies, on the timer's thread, the last Enabled value another thread asked for.
    Q_INVOKABLE void ApplyRequest();

    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    QTimer* FTimer;
    const std::thread::id FOwnerThread;

    enum class Request { None, SwitchOff, SwitchOn };
    // Guards FRequest; also orders another thread's request before its handling here.
    std::mutex FRequestLock;
    Request FRequest = Request::None;
};
