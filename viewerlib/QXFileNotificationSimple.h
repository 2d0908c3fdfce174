// QXFileNotificationSimple.h — TQXFileNotificationSimple: polls one file with a timer and raises
// OnChanged when its existence, size or last-write time changed.
#pragma once

#include "QXxTimer.h"

#include <QObject>
#include <QString>
#include <cstdint>

class QTimer;

// What the polling watcher compares between two ticks.
struct TSimpleFileInfo {
    bool Exists = false;
    uint32_t SizeLow = 0;
    uint32_t SizeHigh = 0;
    uint64_t LastWriteTime = 0;

    friend bool operator==(const TSimpleFileInfo&, const TSimpleFileInfo&) = default;
};

class TQXFileNotificationSimple : public QObject {
    Q_OBJECT

public:
    explicit TQXFileNotificationSimple(QObject* AOwner = nullptr);

    const QString& FileName() const { return FFileName; }
    // Switches the timer off, takes Name and its current state; throws std::runtime_error "File to
    // watch doesn't exist" (the timer staying off) when Name is not empty and names no file, else
    // switches the timer back to how it was.
    void SetFileName(const QString& Name);

    // Whether the timer polls after Watch.
    enum class TPolling { Stopped, Running };
    // Switches the timer off, takes the interval and Name (SetFileName, which may throw, leaving
    // the timer off), then switches the timer on when After is Running.
    void Watch(const QString& Name, int IntervalMs, TPolling After);
    // Switches the timer off.
    void StopPolling();

    // The file's state at the last change seen (or at SetFileName); zero at creation.
    const TSimpleFileInfo& SimpleFileInfo() const { return FSimpleFileInfo; }

    // True while TimerTimer runs.
    bool Busy() const { return FBusy; }

    // The timer's handler: raises OnChanged (Sender = this) when SimpleFileChanged; a call while an
    // earlier one still runs (its handler running a message loop) returns at once.
    void TimerTimer(QObject* Sender);

    // Reads the file's state, after opening and closing it so that its directory entry is up to
    // date. True when it differs from SimpleFileInfo, which then takes it.
    bool SimpleFileChanged();

    // Owned; created disabled with an interval of 1000 ms. Its owner switches it on and off and
    // sets the interval.
    QTimer* const Timer;

    // Raised on the GUI thread when the file changed.
    TNotifyEvent OnChanged;

private:
    QString FFileName;
    TSimpleFileInfo FSimpleFileInfo;
    bool FBusy = false;
};
