// QXBinHexReload.cpp — watching the shown file and re-opening it when it changes on disk.
#include "QXBinHex_p.h"

#include "Interaction.h"
#include "QXxFProc.h"

#include <QTimer>

void TQXBinHexPrivate::InitWatchers() {
    FileNotification->setOptions({foNotifyFilename, foNotifySize, foNotifyLastWrite});
    FileNotification->OnChanged = [this](QObject* sender) { HandleFileChange(sender); };
    FileNotificationSimple->OnChanged = [this](QObject* sender) { HandleFileChange(sender); };
}

void TQXBinHexPrivate::StopWatching() {
    FileNotification->Stop();
    FileNotificationSimple->StopPolling();
}

void TQXBinHexPrivate::StartWatching() {
    if (FAutoReloadSimple) {
        FileNotificationSimple->Watch(FileName, FAutoReloadSimpleTime,
                                      TQXFileNotificationSimple::TPolling::Running);
    } else {
        FileNotification->setFileName(FileName);
        FileNotification->Start();
    }
}

void TQXBinHexPrivate::SetAutoReload(bool value) {
    if (value == FAutoReload)
        return;
    FAutoReload = value;
    if (FileName.isEmpty())
        return;
    if (FAutoReloadSimple) {
        using TPolling = TQXFileNotificationSimple::TPolling;
        FileNotificationSimple->Watch(FileName, FAutoReloadSimpleTime,
                                      value ? TPolling::Running : TPolling::Stopped);
    } else {
        FileNotification->setActive(false);
        FileNotification->setFileName(FileName);
        FileNotification->setActive(value);
    }
}

void TQXBinHexPrivate::HandleFileChange(QObject* sender) {
    // The notification watcher's timer can still expire once after the watcher was stopped (a
    // stream or another file is shown now); such a late report must not re-open the old file.
    if (sender == FileNotification.get() && !FileNotification->Active())
        return;
    if (Mouse.Selecting)
        return;
    if (RedrawLock == 0) {
        TRedrawLockHold hold(RedrawLock);
        if (IsFileExist(FileName)) {
            LoadFileSource(/*reopen=*/true);
        } else {
            FileName.clear();
            LoadFileSource(/*reopen=*/false);
        }
        Redraw();
        if (FAutoReloadBeep)
            platform::Beep();
    }
    DoFileReload();
}

void TQXBinHexPrivate::DoFileReload() {
    NotifyFileReload();
}
