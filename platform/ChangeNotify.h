// ChangeNotify.h — folder change notifications, a stop event to wake their waiter, and a file's
// directory entry as the watchers compare it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Kinds of change a notification can ask for; the values are those of the folder change filter.
inline constexpr uint32_t NotifyChangeFileName = 0x1;
inline constexpr uint32_t NotifyChangeDirName = 0x2;
inline constexpr uint32_t NotifyChangeAttributes = 0x4;
inline constexpr uint32_t NotifyChangeSize = 0x8;
inline constexpr uint32_t NotifyChangeLastWrite = 0x10;
inline constexpr uint32_t NotifyChangeLastAccess = 0x20;
inline constexpr uint32_t NotifyChangeCreation = 0x40;
inline constexpr uint32_t NotifyChangeSecurity = 0x100;

// An auto-reset event, not signalled at creation: Signal wakes one ChangeNotification::Wait (the
// one in progress or the next) and is consumed by it.
class StopEvent {
public:
    StopEvent();
    ~StopEvent();
    StopEvent(const StopEvent&) = delete;
    StopEvent& operator=(const StopEvent&) = delete;

    // False when the system could not create the event.
    bool IsValid() const { return fd_ >= 0; }
    // Safe to call from any thread.
    void Signal();

private:
    friend class ChangeNotification;
    bool Consume();
    int fd_ = -1;
};

// Watches one folder (and, with subtree, its sub-folders, including those created later) for the
// changes a filter of NotifyChange… bits names. File-name changes are the creation, deletion and
// renaming of files, folder-name changes the same for folders; size and last-write changes are
// writes; attribute and security changes are changes of mode, owner, times set explicitly or
// extended attributes; creation changes are new entries and changed status; last-access changes are
// reads.
class ChangeNotification {
public:
    ChangeNotification(const std::string& folder, bool subtree, uint32_t filter);
    ~ChangeNotification();
    ChangeNotification(const ChangeNotification&) = delete;
    ChangeNotification& operator=(const ChangeNotification&) = delete;

    // False when the system refused the notification: a missing folder, a file instead of a folder,
    // or a filter that asks for nothing.
    bool IsValid() const;

    enum class WaitResult { Stopped, Changed, Failed, TimedOut };
    // Blocks until stop is signalled (Stopped, which takes precedence), a change of the filter's
    // kinds happened since the previous wait (Changed), the wait itself failed (Failed) or, with a
    // time-out of zero or more milliseconds, that time passed (TimedOut). Changes of other kinds do
    // not wake it.
    WaitResult Wait(StopEvent& stop, int timeoutMs = -1);

    // Prepares for the next change after one was handled. False when the notification can no longer
    // report anything: the watched folder was deleted or moved, or the last wait failed.
    bool Rearm();

private:
    struct Watches;
    std::unique_ptr<Watches> watches_;
};

// What the watchers remember of a file's directory entry. A missing entry has Exists false and
// every other field 0. Times are nanoseconds since 1970; CreationTime holds the status-change time,
// the nearest this system keeps; Attributes are the mode bits (type and permissions).
struct WatchedFileInfo {
    bool Exists = false;
    uint32_t SizeLow = 0;
    uint32_t SizeHigh = 0;
    uint32_t Attributes = 0;
    uint64_t LastWriteTime = 0;
    uint64_t CreationTime = 0;
    uint64_t LastAccessTime = 0;

    friend bool operator==(const WatchedFileInfo&, const WatchedFileInfo&) = default;
};

// Looks a name up (symbolic links followed) without opening it.
WatchedFileInfo GetWatchedFileInfo(const std::string& path);

} // namespace platform
