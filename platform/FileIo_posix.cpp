// FileIo_posix.cpp — the file calls over POSIX.
#include "FileIo.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

void SetError(int* error, int value) {
    if (error)
        *error = value;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The kernel's own limit on links followed in one lookup.
constexpr int MaxLinkHops = 40;

// Follows path while it names a symbolic link and stores the first name that is not one: an
// existing file or folder, or the missing entry a dangling link names. A relative link is read
// from the folder of the link. Returns 0, ELOOP after MaxLinkHops links, or the errno of lstat or
// readlink.
int ResolveLinks(const std::string& path, std::string* resolved) {
    std::string current = path;
    for (int hops = 0; hops <= MaxLinkHops; ++hops) {
        struct stat entry {};
        if (::lstat(current.c_str(), &entry) != 0) {
            if (errno != ENOENT)
                return errno;
            *resolved = current;
            return 0;
        }
        if (!S_ISLNK(entry.st_mode)) {
            *resolved = current;
            return 0;
        }
        std::vector<char> buffer(PATH_MAX + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return errno;
        if (static_cast<std::size_t>(n) >= buffer.size())
            return ENAMETOOLONG;
        std::string next(buffer.data(), static_cast<std::size_t>(n));
        if (next.empty())
            return ENOENT;
        current = next.front() == '/' ? next : FolderOf(current) + "/" + next;
    }
    return ELOOP;
}

// Whether the user may write the existing file path: EACCES when it has no write bit at all (root
// passes the kernel's permission check on such a file, yet it is plainly meant to stay as it is)
// or the kernel denies writing it; the errno of the check otherwise, or 0.
int WriteRefusal(const std::string& path, const struct stat& target) {
    if ((target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return EACCES;
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;
    return 0;
}

} // namespace

FileHandle OpenFileForReading(const std::string& path, int* error) {
    if (path.empty()) {
        SetError(error, ENOENT);
        return InvalidFileHandle;
    }
    // O_NONBLOCK keeps a FIFO without a writer from blocking the open; the type check below then
    // refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        SetError(error, errno);
        return InvalidFileHandle;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        SetError(error, e);
        return InvalidFileHandle;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        SetError(error, S_ISDIR(st.st_mode) ? EISDIR : EACCES);
        return InvalidFileHandle;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    SetError(error, 0);
    return fd;
}

bool ReadFileAt(FileHandle handle, void* destination, std::size_t count, int64_t offset,
                std::size_t* bytesRead, int* error) {
    std::size_t done = 0;
    auto* out = static_cast<unsigned char*>(destination);
    if (offset < 0) {
        SetError(error, EINVAL);
        if (bytesRead)
            *bytesRead = 0;
        return false;
    }
    while (done < count) {
        const ssize_t n =
            ::pread(handle, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            SetError(error, errno);
            if (bytesRead)
                *bytesRead = done;
            return false;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    if (bytesRead)
        *bytesRead = done;
    SetError(error, 0);
    return true;
}

int64_t FileSizeOf(FileHandle handle) {
    struct stat st {};
    if (handle < 0 || ::fstat(handle, &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

int CloseFile(FileHandle handle) {
    if (handle < 0)
        return EBADF;
    return ::close(handle) == 0 ? 0 : errno;
}

bool FindEntry(const std::string& path, bool* isFolder) {
    if (isFolder)
        *isFolder = false;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return false;
    if (isFolder)
        *isFolder = S_ISDIR(st.st_mode);
    return true;
}

int BeginReplacing(const std::string& requested, ReplacingFile* file) {
    *file = ReplacingFile{};
    if (requested.empty())
        return ENOENT;
    // Renaming over a symbolic link would replace the link by a copy; the file at the end of its
    // chain, existing or not yet, is the one to replace.
    std::string path;
    if (const int error = ResolveLinks(requested, &path); error != 0)
        return error;
    struct stat target {};
    const bool exists = ::stat(path.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode))
        return EISDIR;
    if (exists && !S_ISREG(target.st_mode))
        return EACCES;
    if (exists) {
        if (const int error = WriteRefusal(path, target); error != 0)
            return error;
    }

    std::string pattern = FolderOf(path) + "/.vornex-save-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return errno;

    // An existing file keeps its permissions; a new one gets the usual 0666 less the umask.
    mode_t mode = 0;
    if (exists) {
        mode = target.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    file->handle = fd;
    file->temporaryPath = name.data();
    file->targetPath = path;
    return 0;
}

int WriteReplacing(ReplacingFile& file, const void* data, std::size_t size) {
    const auto* in = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(file.handle, in + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno == ENOSPC ? IoDiskFull : errno;
        }
        if (n == 0)
            return IoDiskFull;
        done += static_cast<std::size_t>(n);
    }
    // Starting the write-out of each 8 MiB as it is completed lets the disk work while the rest is
    // produced, so that FinishReplacing's fsync waits for little more than the last piece. A
    // failure here is harmless: fsync writes whatever is left.
    constexpr std::uint64_t Window = std::uint64_t{8} << 20;
    file.written += size;
    if (file.written - file.handedOver >= Window) {
        const std::uint64_t end = file.written / Window * Window;
        ::sync_file_range(file.handle, static_cast<off_t>(file.handedOver),
                          static_cast<off_t>(end - file.handedOver), SYNC_FILE_RANGE_WRITE);
        file.handedOver = end;
    }
    return 0;
}

int FinishReplacing(ReplacingFile& file) {
    if (::fsync(file.handle) != 0)
        return errno == ENOSPC ? IoDiskFull : errno;
    const int closed = ::close(file.handle);
    file.handle = InvalidFileHandle;
    if (closed != 0)
        return errno == ENOSPC ? IoDiskFull : errno;
    if (::rename(file.temporaryPath.c_str(), file.targetPath.c_str()) != 0)
        return errno;
    file.temporaryPath.clear();
    return 0;
}

void AbortReplacing(ReplacingFile& file) {
    if (file.handle != InvalidFileHandle)
        ::close(file.handle);
    file.handle = InvalidFileHandle;
    if (!file.temporaryPath.empty())
        ::unlink(file.temporaryPath.c_str());
    file.temporaryPath.clear();
}

int WriteFileReplacing(const std::string& path, const void* data, std::size_t size) {
    ReplacingFile file;
    int error = BeginReplacing(path, &file);
    if (error == 0)
        error = WriteReplacing(file, data, size);
    if (error == 0)
        error = FinishReplacing(file);
    if (error != 0)
        AbortReplacing(file);
    return error;
}

int RuntimeIoCode(int error, const std::string& path, bool* mapped) {
    if (mapped)
        *mapped = true;
    switch (error) {
    case ENOENT: {
        if (path.empty())
            return IoInvalidFilename;
        bool isFolder = false;
        return FindEntry(FolderOf(path), &isFolder) && isFolder ? IoFileNotFound
                                                                : IoInvalidFilename;
    }
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return IoInvalidFilename;
    case EMFILE:
    case ENFILE:
        return IoTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return IoAccessDenied;
    default:
        if (mapped)
            *mapped = false;
        return error;
    }
}

} // namespace platform
