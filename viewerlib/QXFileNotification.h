// QXFileNotification.h — TQXFileNotification: watches a folder, or one file, through the system's
// change notifications on a worker thread (TDirThread) and raises OnChanged on the GUI thread.
#pragma once

#include "ChangeNotify.h"
#include "QXxTimer.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <thread>

enum TQXFileNotifyOption : uint8_t {
    foNotifyFilename,
    foNotifyDirname,
    foNotifyAttributes,
    foNotifySize,
    foNotifyLastWrite,
    foNotifyLastAccess,
    foNotifyCreation,
    foNotifySecurity,
};

// A set of TQXFileNotifyOption held in one byte: bit n is member n.
class TQXFileNotifyOptions {
public:
    constexpr TQXFileNotifyOptions() = default;
    constexpr TQXFileNotifyOptions(std::initializer_list<TQXFileNotifyOption> Members) {
        for (const TQXFileNotifyOption m : Members)
            FBits = static_cast<uint8_t>(FBits | 1u << m);
    }
    static constexpr TQXFileNotifyOptions FromByte(uint8_t Bits) {
        TQXFileNotifyOptions o;
        o.FBits = Bits;
        return o;
    }
    constexpr uint8_t Byte() const { return FBits; }
    constexpr bool Contains(TQXFileNotifyOption Member) const {
        return (FBits >> Member & 1u) != 0;
    }
    friend constexpr bool operator==(TQXFileNotifyOptions, TQXFileNotifyOptions) = default;

private:
    uint8_t FBits = 0;
};

// foNotifyFilename, foNotifyDirname, foNotifyLastWrite: the byte 19.
inline constexpr TQXFileNotifyOptions DefaultNotifyOptions{foNotifyFilename, foNotifyDirname,
                                                           foNotifyLastWrite};

// The system change filter of a set of options: the sum of 0x1 (file names), 0x2 (folder names),
// 0x4 (attributes), 0x8 (size), 0x10 (last write), 0x20 (last access), 0x40 (creation) and 0x100
// (security) for the members present.
uint32_t NotifyFilter(TQXFileNotifyOptions Options);

// The filter a watch of one file asks the system for: Filter without the folder-name (0x2) and
// security (0x100) bits.
uint32_t FileModeFilter(uint32_t Filter);

// The folder of a file name: everything before its last "/", or "/" itself for a file in the root
// folder ("/dir/a.bin" gives "/dir", "/a.bin" gives "/"); empty for a name without a folder.
QString FolderOfFile(const QString& Name);

using WatchedFileInfo = platform::WatchedFileInfo;

// The directory entry of a file; a missing file gives Exists false and every other field 0.
WatchedFileInfo GetWatchedFileInfo(const QString& Name);

// Reads the file's current entry. Changed when Exists differs, or, where Filter has the bit, the
// attributes (0x4), the size (0x8), the last-write (0x10), last-access (0x20) or creation (0x40)
// time differ. When changed, Stored takes the current entry. Returns Changed.
bool WatchedFileChanged(const QString& Name, uint32_t Filter, WatchedFileInfo& Stored);

class TQXFileNotification;

// The worker of a watching TQXFileNotification. It runs from its construction: it asks the system
// for notifications on the folder (Directory, or in file mode the folder of FileName), sets its
// owner's Active, and switches the owner's Timer on for every change that concerns what it watches,
// until StopEvent is signalled. A folder the system refuses ends it at once with Active untouched.
class TDirThread {
public:
    TDirThread(TQXFileNotification* AOwner, TOldTimer* ATimer, uint32_t AFilter, bool ASubtree,
               const QString& AFileName, const QString& ADirectory);
    // Sets the owner's Active to false, wakes the body and waits until it has returned.
    ~TDirThread();
    TDirThread(const TDirThread&) = delete;
    TDirThread& operator=(const TDirThread&) = delete;

private:
    void Execute();

    const QString Directory;
    const QString FileName;
    platform::StopEvent StopEvent;
    const bool Subtree;
    const uint32_t Filter;
    TOldTimer* const Timer;
    TQXFileNotification* const Owner;
    std::atomic<bool> Terminated{false};
    std::thread Thread;
};

class TQXFileNotification : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE setActive STORED false)
    Q_PROPERTY(bool Subtree READ Subtree WRITE setSubtree)
    Q_PROPERTY(QString Directory READ Directory WRITE setDirectory)
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)

public:
    explicit TQXFileNotification(QObject* AOwner = nullptr);
    // Stops watching; no worker thread is left afterwards.
    ~TQXFileNotification() override;

    // True while a worker watches. Setting true calls Start, false calls Stop, the current value
    // nothing.
    bool Active() const { return FActive.load(); }
    void setActive(bool Value);

    // Also watch sub-folders (folder mode only). Default false.
    bool Subtree() const { return FSubtree; }
    void setSubtree(bool Value) { FSubtree = Value; }

    // What to watch; default DefaultNotifyOptions.
    TQXFileNotifyOptions Options() const { return FOptions; }
    void setOptions(TQXFileNotifyOptions Value) { FOptions = Value; }

    // The folder to watch (folder mode) or the file to watch (file mode). Setting one to a
    // different value empties the other. Changes of the properties apply at the next Start.
    const QString& Directory() const { return FDirectory; }
    void setDirectory(const QString& Value);
    const QString& FileName() const { return FFileName; }
    void setFileName(const QString& Value);

    // Raised on the GUI thread, with Sender = this, once for the changes of a 100 ms period.
    TNotifyEvent OnChanged;

    // Starts a worker unless one is active and waits until it is. A worker that cannot watch shows
    // "Exception while creating thread" after the time-out and leaves Active false.
    void Start();
    // Ends the worker and waits until Active is false; on failure shows "Exception while
    // terminating thread".
    void Stop();

    // The timer's handler: switches the timer off, then raises OnChanged.
    void TimerTimer(QObject* Sender);

    // A modal box captioned "Error" with an error icon and an OK button.
    static void ShowErrorBox(const QString& Text);

private:
    friend class TDirThread;

    // Polls Active every 40 ms until it equals Wanted or 3000 ms have passed; then throws
    // std::runtime_error when it still differs.
    void WaitActive(bool Wanted);

    std::atomic<bool> FActive{false};
    bool FSubtree = false;
    TQXFileNotifyOptions FOptions = DefaultNotifyOptions;
    QString FDirectory;
    QString FFileName;
    std::unique_ptr<TDirThread> Worker;
    // Owned (a child); disabled, Interval 100, OnTimer = TimerTimer.
    TOldTimer* const Timer;
    // Held while Worker is created or destroyed.
    std::mutex Lock;
};
