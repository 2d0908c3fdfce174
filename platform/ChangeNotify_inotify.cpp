// ChangeNotify_inotify.cpp — folder change notifications over inotify, the stop event over eventfd,
// and directory entries from stat.
#include "ChangeNotify.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace platform {

namespace {

constexpr uint32_t NameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

// The inotify events that report the filter's kinds of change, for entries that are not folders
// (forFolders false) or for folders.
uint32_t EventsFor(uint32_t filter, bool forFolders) {
    uint32_t events = 0;
    if (filter & (forFolders ? NotifyChangeDirName : NotifyChangeFileName))
        events |= NameEvents;
    if (filter & (NotifyChangeAttributes | NotifyChangeSecurity))
        events |= IN_ATTRIB;
    if (filter & (NotifyChangeSize | NotifyChangeLastWrite))
        events |= IN_MODIFY | IN_CLOSE_WRITE;
    if (filter & NotifyChangeLastAccess)
        events |= IN_ACCESS;
    if (filter & NotifyChangeCreation)
        events |= IN_CREATE | IN_MOVED_TO | IN_ATTRIB;
    return events;
}

uint64_t Nanoseconds(const timespec& t) {
    return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}

std::string ChildPath(const std::string& folder, const char* name) {
    return folder.ends_with('/') ? folder + name : folder + '/' + name;
}

} // namespace

StopEvent::StopEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopEvent::~StopEvent() {
    if (fd_ >= 0)
        close(fd_);
}

void StopEvent::Signal() {
    const uint64_t one = 1;
    while (write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool StopEvent::Consume() {
    // Reading an eventfd that is not in semaphore mode returns and clears the whole count.
    uint64_t count = 0;
    return read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

struct ChangeNotification::Watches {
    int fd = -1;
    int rootWd = -1;
    bool subtree = false;
    uint32_t fileEvents = 0;
    uint32_t folderEvents = 0;
    bool broken = false;
    // Path of every watched folder by watch descriptor, to watch folders created below them.
    std::unordered_map<int, std::string> folders;

    uint32_t WatchMask() const {
        uint32_t mask = fileEvents | folderEvents | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
        if (subtree)
            mask |= IN_CREATE | IN_MOVED_TO;
        return mask;
    }

    // Watches path and, in subtree mode, every folder below it. Folders below that cannot be
    // watched are skipped; only the result for path itself counts.
    bool AddTree(const std::string& path, bool isRoot) {
        const int wd =
            inotify_add_watch(fd, path.c_str(), WatchMask() | (isRoot ? 0 : IN_DONT_FOLLOW));
        if (wd < 0)
            return false;
        if (isRoot)
            rootWd = wd;
        // A folder renamed inside the tree keeps its descriptor; the map then follows the new name.
        folders[wd] = path;
        if (!subtree)
            return true;
        DIR* dir = opendir(path.c_str());
        if (!dir)
            return true;
        while (const dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            const std::string child = ChildPath(path, entry->d_name);
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat st {};
                isFolder = lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            }
            if (isFolder)
                AddTree(child, /*isRoot=*/false);
        }
        closedir(dir);
        return true;
    }

    // Handles one event; true when it reports a change the filter asks for.
    bool Handle(const inotify_event& e) {
        if (e.mask & IN_Q_OVERFLOW)
            return true;
        if (e.mask & IN_IGNORED) {
            folders.erase(e.wd);
            if (e.wd == rootWd)
                broken = true;
            return e.wd == rootWd;
        }
        if (e.wd == rootWd && (e.mask & (IN_DELETE_SELF | IN_MOVE_SELF))) {
            broken = true;
            return true;
        }
        // Events without a name concern a watched folder itself; its parent reports them by name.
        if (e.len == 0)
            return false;
        const bool isFolder = e.mask & IN_ISDIR;
        if (subtree && isFolder && (e.mask & (IN_CREATE | IN_MOVED_TO))) {
            const auto parent = folders.find(e.wd);
            if (parent != folders.end())
                AddTree(ChildPath(parent->second, e.name), /*isRoot=*/false);
        }
        return e.mask & (isFolder ? folderEvents : fileEvents);
    }

    // Reads every queued event. Changed when one of them counts, Failed when reading failed, else
    // TimedOut as "nothing yet".
    WaitResult ReadEvents() {
        alignas(inotify_event) char buffer[16384];
        bool changed = false;
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                break;
            if (n <= 0) {
                broken = true;
                return WaitResult::Failed;
            }
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                changed = Handle(*e) || changed;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return changed ? WaitResult::Changed : WaitResult::TimedOut;
    }
};

ChangeNotification::ChangeNotification(const std::string& folder, bool subtree, uint32_t filter)
    : watches_(std::make_unique<Watches>()) {
    Watches& w = *watches_;
    w.subtree = subtree;
    w.fileEvents = EventsFor(filter, /*forFolders=*/false);
    w.folderEvents = EventsFor(filter, /*forFolders=*/true);
    if ((w.fileEvents | w.folderEvents) == 0 || folder.empty())
        return;
    w.fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (w.fd >= 0 && !w.AddTree(folder, /*isRoot=*/true)) {
        close(w.fd);
        w.fd = -1;
    }
}

ChangeNotification::~ChangeNotification() {
    if (watches_->fd >= 0)
        close(watches_->fd);
}

bool ChangeNotification::IsValid() const {
    return watches_->fd >= 0;
}

ChangeNotification::WaitResult ChangeNotification::Wait(StopEvent& stop, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    Watches& w = *watches_;
    if (w.fd < 0 || !stop.IsValid())
        return WaitResult::Failed;
    for (;;) {
        int remaining = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            remaining = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd fds[2] = {{stop.fd_, POLLIN, 0}, {w.fd, POLLIN, 0}};
        const int ready = poll(fds, 2, remaining);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[0].revents | fds[1].revents) & (POLLERR | POLLNVAL)) {
            w.broken = true;
            return WaitResult::Failed;
        }
        if (fds[0].revents & POLLIN) {
            stop.Consume();
            return WaitResult::Stopped;
        }
        if (fds[1].revents & POLLIN) {
            const WaitResult r = w.ReadEvents();
            if (r != WaitResult::TimedOut)
                return r;
        }
        if (ready == 0 || (timeoutMs >= 0 && Clock::now() >= deadline))
            return WaitResult::TimedOut;
    }
}

bool ChangeNotification::Rearm() {
    // Events are consumed when a wait returns; whatever arrives later wakes the next wait.
    return watches_->fd >= 0 && !watches_->broken;
}

WatchedFileInfo GetWatchedFileInfo(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return {};
    WatchedFileInfo info;
    info.Exists = true;
    const auto size = static_cast<uint64_t>(st.st_size);
    info.SizeLow = static_cast<uint32_t>(size & 0xFFFFFFFFu);
    info.SizeHigh = static_cast<uint32_t>(size >> 32);
    info.Attributes = st.st_mode;
    info.LastWriteTime = Nanoseconds(st.st_mtim);
    info.CreationTime = Nanoseconds(st.st_ctim);
    info.LastAccessTime = Nanoseconds(st.st_atim);
    return info;
}

} // namespace platform
