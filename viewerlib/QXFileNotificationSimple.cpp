// QXFileNotificationSimple.cpp — the polling watcher.
#include "QXFileNotificationSimple.h"

#include "QXFileNotification.h"
#include "QXxFProc.h"

#include <QTimer>
#include <stdexcept>

namespace {

TSimpleFileInfo CurrentSimpleInfo(const QString& Name) {
    const WatchedFileInfo info = GetWatchedFileInfo(Name);
    return {info.Exists, info.SizeLow, info.SizeHigh, info.LastWriteTime};
}

} // namespace

TQXFileNotificationSimple::TQXFileNotificationSimple(QObject* AOwner)
    : QObject(AOwner), Timer(new QTimer(this)) {
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(Timer); });
}

void TQXFileNotificationSimple::SetFileName(const QString& Name) {
    const bool wasEnabled = Timer->isActive();
    Timer->stop();
    FFileName = Name;
    FSimpleFileInfo = CurrentSimpleInfo(Name);
    if (!Name.isEmpty() && !FSimpleFileInfo.Exists)
        throw std::runtime_error("File to watch doesn't exist");
    if (wasEnabled)
        Timer->start();
}

void TQXFileNotificationSimple::Watch(const QString& Name, int IntervalMs, TPolling After) {
    Timer->stop();
    Timer->setInterval(IntervalMs);
    SetFileName(Name);
    if (After == TPolling::Running)
        Timer->start();
}

void TQXFileNotificationSimple::StopPolling() {
    Timer->stop();
}

void TQXFileNotificationSimple::TimerTimer(QObject*) {
    if (FBusy)
        return;
    FBusy = true;
    struct ClearBusy {
        bool& busy;
        ~ClearBusy() { busy = false; }
    } clearBusy{FBusy};
    if (SimpleFileChanged())
        if (const TNotifyEvent handler = OnChanged)
            handler(this);
}

bool TQXFileNotificationSimple::SimpleFileChanged() {
    // Opening the file makes the system bring its directory entry up to date; whether the open
    // succeeds does not matter.
    const TFileHandle handle = FFileOpen(FFileName);
    if (handle != INVALID_HANDLE_VALUE)
        platform::CloseFile(handle);
    const TSimpleFileInfo current = CurrentSimpleInfo(FFileName);
    if (current == FSimpleFileInfo)
        return false;
    FSimpleFileInfo = current;
    return true;
}
