// FileIo.h — file calls and error codes: the small set of file operations the rest of the program
// uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace platform {

using FileHandle = int;
inline constexpr FileHandle InvalidFileHandle = -1;

// Runtime I/O result codes (the codes the image tool reports to the user).
inline constexpr int IoFileNotFound = 2;
inline constexpr int IoInvalidFilename = 3;
inline constexpr int IoTooManyOpenFiles = 4;
inline constexpr int IoAccessDenied = 5;
inline constexpr int IoReadBeyondEnd = 100;
inline constexpr int IoDiskFull = 101;

// Opens an existing regular file for reading; other processes may read, write, rename and delete it
// meanwhile. Never creates a file and never blocks: FIFOs and devices are refused (EACCES), a
// folder fails with EISDIR. Returns InvalidFileHandle and stores errno in *error on failure.
FileHandle OpenFileForReading(const std::string& path, int* error = nullptr);

// Reads up to count bytes at a 64-bit offset. A read at or past the end succeeds with fewer bytes.
// Interrupted and partial reads are continued until count bytes or the end of the file.
bool ReadFileAt(FileHandle handle, void* destination, std::size_t count, int64_t offset,
                std::size_t* bytesRead, int* error = nullptr);

// Size of an open file in bytes, or -1.
int64_t FileSizeOf(FileHandle handle);

// Closes a handle; returns 0 or errno.
int CloseFile(FileHandle handle);

// Owns one open handle and closes it when destroyed or given another; moving hands the handle on
// and leaves the source empty. Close errors are not reported; a caller that must know them calls
// CloseFile(release()).
class UniqueFile {
public:
    UniqueFile() = default;
    explicit UniqueFile(FileHandle handle) noexcept : handle_(handle) {}
    ~UniqueFile() { reset(); }
    UniqueFile(UniqueFile&& other) noexcept : handle_(other.release()) {}
    UniqueFile& operator=(UniqueFile&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;

    // The handle, still owned; InvalidFileHandle when empty.
    FileHandle get() const noexcept { return handle_; }
    // Gives the handle up without closing it and leaves this empty.
    FileHandle release() noexcept { return std::exchange(handle_, InvalidFileHandle); }
    // Closes the owned handle, if any, and takes handle instead.
    void reset(FileHandle handle = InvalidFileHandle) noexcept {
        const FileHandle old = std::exchange(handle_, handle);
        if (old != InvalidFileHandle)
            CloseFile(old);
    }
    explicit operator bool() const noexcept { return handle_ != InvalidFileHandle; }

private:
    FileHandle handle_ = InvalidFileHandle;
};

// Looks a name up without opening it. False when nothing of that name exists; *isFolder tells
// whether the entry is a folder (symbolic links are followed).
bool FindEntry(const std::string& path, bool* isFolder);

// Replaces (or creates) the file at path with exactly size bytes, never destroying an existing file
// on failure: the data goes to a temporary file in the same folder, is flushed and renamed over the
// target. Returns 0, IoDiskFull for a short write, or the errno of the failed step. On failure the
// temporary file is removed. An existing file that the user may not write (one without any write
// bit counts as such even for root) is refused with EACCES. Symbolic links are followed and never
// replaced: the file at the end of the chain is replaced, or created where a dangling link points;
// a chain of more than 40 links (a loop) fails with ELOOP.
int WriteFileReplacing(const std::string& path, const void* data, std::size_t size);

// The same replacement in steps, for output produced piece by piece: BeginReplacing checks the
// target as WriteFileReplacing does and creates the temporary file; WriteReplacing appends to it;
// FinishReplacing flushes it and renames it over the target. Each returns 0, IoDiskFull or an
// errno. After any failure (or to give up) AbortReplacing removes the temporary file; it is
// harmless after a successful finish.
struct ReplacingFile {
    FileHandle handle = InvalidFileHandle;
    std::string temporaryPath;
    std::string targetPath;
    // Bytes written so far, and how many of them were handed to the disk early.
    std::uint64_t written = 0;
    std::uint64_t handedOver = 0;
};
int BeginReplacing(const std::string& path, ReplacingFile* file);
int WriteReplacing(ReplacingFile& file, const void* data, std::size_t size);
int FinishReplacing(ReplacingFile& file);
void AbortReplacing(ReplacingFile& file);

// Turns the errno of a failed call on path into a runtime I/O code: ENOENT is IoFileNotFound, or
// IoInvalidFilename when the folder itself does not exist; ENOTDIR, ENAMETOOLONG, EINVAL are
// IoInvalidFilename; EMFILE, ENFILE IoTooManyOpenFiles; EACCES, EPERM, EISDIR, EROFS
// IoAccessDenied; any other value is returned unchanged, and *mapped (when given) tells which of
// the two happened.
int RuntimeIoCode(int error, const std::string& path, bool* mapped = nullptr);

} // namespace platform
