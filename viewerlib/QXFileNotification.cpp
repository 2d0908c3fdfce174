// QXFileNotification.cpp — the folder/file watcher and its worker thread.
#include "QXFileNotification.h"

#include "MessageBox.h"
#include "QXxFProc.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

constexpr auto CoalescePeriod = 100ms;
constexpr auto WaitActivePoll = 40ms;
constexpr auto WaitActiveLimit = 3000ms;

} // namespace

uint32_t NotifyFilter(TQXFileNotifyOptions Options) {
    static constexpr uint32_t FilterValues[] = {
        platform::NotifyChangeFileName,   platform::NotifyChangeDirName,
        platform::NotifyChangeAttributes, platform::NotifyChangeSize,
        platform::NotifyChangeLastWrite,  platform::NotifyChangeLastAccess,
        platform::NotifyChangeCreation,   platform::NotifyChangeSecurity,
    };
    uint32_t filter = 0;
    for (int m = foNotifyFilename; m <= foNotifySecurity; ++m)
        if (Options.Contains(static_cast<TQXFileNotifyOption>(m)))
            filter += FilterValues[m];
    return filter;
}

uint32_t FileModeFilter(uint32_t Filter) {
    return Filter & ~(platform::NotifyChangeDirName | platform::NotifyChangeSecurity);
}

QString FolderOfFile(const QString& Name) {
    qsizetype k = Name.lastIndexOf(QLatin1Char('/')) + 1;
    if (k > 1)
        --k;
    return Name.left(k);
}

WatchedFileInfo GetWatchedFileInfo(const QString& Name) {
    return platform::GetWatchedFileInfo(NativeFileName(Name));
}

bool WatchedFileChanged(const QString& Name, uint32_t Filter, WatchedFileInfo& Stored) {
    const WatchedFileInfo current = GetWatchedFileInfo(Name);
    const bool changed =
        current.Exists != Stored.Exists ||
        ((Filter & platform::NotifyChangeAttributes) && current.Attributes != Stored.Attributes) ||
        ((Filter & platform::NotifyChangeSize) &&
         (current.SizeLow != Stored.SizeLow || current.SizeHigh != Stored.SizeHigh)) ||
        ((Filter & platform::NotifyChangeLastWrite) &&
         current.LastWriteTime != Stored.LastWriteTime) ||
        ((Filter & platform::NotifyChangeLastAccess) &&
         current.LastAccessTime != Stored.LastAccessTime) ||
        ((Filter & platform::NotifyChangeCreation) && current.CreationTime != Stored.CreationTime);
    if (changed)
        Stored = current;
    return changed;
}

// TDirThread

TDirThread::TDirThread(TQXFileNotification* AOwner, TOldTimer* ATimer, uint32_t AFilter,
                       bool ASubtree, const QString& AFileName, const QString& ADirectory)
    : Directory(ADirectory), FileName(AFileName), Subtree(ASubtree), Filter(AFilter), Timer(ATimer),
      Owner(AOwner) {
    if (!StopEvent.IsValid())
        throw std::runtime_error("Cannot create the stop event");
    Thread = std::thread([this] { Execute(); });
}

TDirThread::~TDirThread() {
    if (Owner && Owner->FActive.load())
        Owner->FActive.store(false);
    StopEvent.Signal();
    Terminated.store(true);
    if (Thread.joinable())
        Thread.join();
    // A body that became active only after the check above must not leave Active set either; no
    // other worker of the owner runs while this one is destroyed.
    if (Owner)
        Owner->FActive.store(false);
}

void TDirThread::Execute() {
    const bool fileMode = !FileName.isEmpty();
    const QString folder = fileMode ? FolderOfFile(FileName) : Directory;
    const bool watchSubtree = fileMode ? false : Subtree;
    const uint32_t filter = fileMode ? FileModeFilter(Filter) : Filter;
    WatchedFileInfo info = fileMode ? GetWatchedFileInfo(FileName) : WatchedFileInfo{};

    platform::ChangeNotification notification(NativeFileName(folder), watchSubtree, filter);
    if (!notification.IsValid())
        return;
    try {
        Owner->FActive.store(true);
        while (!Terminated.load()) {
            using Result = platform::ChangeNotification::WaitResult;
            if (notification.Wait(StopEvent) == Result::Stopped)
                break;
            // The timer takes the request on the GUI thread; while it already runs, the request
            // changes nothing, which folds a burst of changes into one OnChanged.
            if (!fileMode || WatchedFileChanged(FileName, filter, info))
                Timer->setEnabled(true);
            if (!notification.Rearm())
                break;
        }
    } catch (const std::exception&) {
        // The GUI thread shows the box, so that this thread never waits for the user.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                TQXFileNotification::ShowErrorBox(
                    QStringLiteral("Exception while waiting for notification"));
            },
            Qt::QueuedConnection);
    }
}

// TQXFileNotification

TQXFileNotification::TQXFileNotification(QObject* AOwner)
    : QObject(AOwner), Timer(new TOldTimer(this)) {
    Timer->setEnabled(false);
    Timer->setInterval(static_cast<uint32_t>(CoalescePeriod.count()));
    Timer->setOnTimer([this](QObject* Sender) { TimerTimer(Sender); });
}

TQXFileNotification::~TQXFileNotification() {
    Stop();
    // A worker that could not watch has ended on its own but is still to be joined.
    std::lock_guard guard(Lock);
    Worker.reset();
}

void TQXFileNotification::setActive(bool Value) {
    if (Value == Active())
        return;
    if (Value)
        Start();
    else
        Stop();
}

void TQXFileNotification::setDirectory(const QString& Value) {
    if (Value == FDirectory)
        return;
    FDirectory = Value;
    FFileName.clear();
}

void TQXFileNotification::setFileName(const QString& Value) {
    if (Value == FFileName)
        return;
    FFileName = Value;
    FDirectory.clear();
}

void TQXFileNotification::Start() {
    try {
        {
            std::lock_guard guard(Lock);
            if (!FActive.load()) {
                // Destroy an ended worker before its successor starts, since its destructor
                // clears Active.
                Worker.reset();
                Worker = std::make_unique<TDirThread>(this, Timer, NotifyFilter(FOptions), FSubtree,
                                                      FFileName, FDirectory);
            }
        }
        WaitActive(true);
    } catch (const std::exception&) {
        ShowErrorBox(QStringLiteral("Exception while creating thread"));
    }
}

void TQXFileNotification::Stop() {
    try {
        {
            std::lock_guard guard(Lock);
            if (FActive.load() && Worker)
                Worker.reset();
        }
        WaitActive(false);
    } catch (const std::exception&) {
        ShowErrorBox(QStringLiteral("Exception while terminating thread"));
    }
}

void TQXFileNotification::WaitActive(bool Wanted) {
    const auto start = std::chrono::steady_clock::now();
    while (FActive.load() != Wanted && std::chrono::steady_clock::now() - start < WaitActiveLimit)
        std::this_thread::sleep_for(WaitActivePoll);
    if (FActive.load() != Wanted)
        throw std::runtime_error("File Notification system timed out at Start/Stop");
}

void TQXFileNotification::TimerTimer(QObject*) {
    Timer->setEnabled(false);
    // A copy, since the handler may assign OnChanged while it runs.
    if (const TNotifyEvent handler = OnChanged)
        handler(this);
}

void TQXFileNotification::ShowErrorBox(const QString& Text) {
    platform::MessageBoxW(Text, QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONERROR);
}
