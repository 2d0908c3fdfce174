// ToolFiles.cpp — block input from files or standard input, replacing output.
#include "ToolFiles.h"

#include <cerrno>
#include <cstring>

namespace tool {

namespace {

std::string Reason(int error) {
    return std::strerror(error == platform::IoDiskFull ? ENOSPC : error);
}

} // namespace

InputFile::InputFile(const std::string& path) : name_(path == "-" ? "standard input" : path) {
    bool isFolder = false;
    if (path != "-" && platform::FindEntry(path, &isFolder) && isFolder)
        throw ToolError(ExitFileError, name_ + ": " + std::strerror(EISDIR));
    // FILE streams rather than the window's file calls: pipes, FIFOs and process substitutions are
    // ordinary inputs for a build script.
    file_.reset(path == "-" ? stdin : std::fopen(path.c_str(), "rb"));
    if (!file_)
        throw ToolError(ExitFileError, name_ + ": " + std::strerror(errno));
    // Blocks are large; a stream buffer would only add a copy.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    if (std::fseek(file_.get(), 0, SEEK_END) == 0) {
        const long end = std::ftell(file_.get());
        if (end >= 0) {
            seekable_ = true;
            size_ = end;
        }
    }
    if (size_ > MaxInputSize)
        throw ToolError(ExitFileError,
                        name_ + ": " + std::to_string(size_) + " bytes, more than the " +
                            std::to_string(MaxInputSize >> 30) + " GiB the tool takes");
    if (seekable_)
        return;
    std::clearerr(file_.get());
    uint8_t block[1 << 16];
    for (;;) {
        const size_t got = std::fread(block, 1, sizeof block, file_.get());
        held_.insert(held_.end(), block, block + got);
        if (static_cast<int64_t>(held_.size()) > MaxUnseekableInput)
            throw ToolError(ExitFileError, name_ + ": longer than the " +
                                               std::to_string(MaxUnseekableInput >> 20) +
                                               " MiB a pipe may give");
        if (got < sizeof block)
            break;
    }
    if (std::ferror(file_.get()))
        throw ToolError(ExitFileError, name_ + ": " + std::strerror(errno));
    size_ = static_cast<int64_t>(held_.size());
}

void InputFile::CloseInput::operator()(std::FILE* file) const {
    if (file != stdin)
        std::fclose(file);
}

void InputFile::read(int64_t offset, uint8_t* to, int64_t n) {
    if (n <= 0)
        return;
    if (!seekable_) {
        std::memcpy(to, held_.data() + offset, static_cast<size_t>(n));
        return;
    }
    if (std::fseek(file_.get(), offset, SEEK_SET) != 0)
        throw ToolError(ExitFileError, name_ + ": " + std::strerror(errno));
    const size_t got = std::fread(to, 1, static_cast<size_t>(n), file_.get());
    if (std::ferror(file_.get()))
        throw ToolError(ExitFileError, name_ + ": " + std::strerror(errno));
    if (static_cast<int64_t>(got) < n)
        throw ToolError(ExitFileError, name_ + ": the file became shorter while it was read");
}

OutputFile::OutputFile(const std::string& path)
    : path_(path), name_(path == "-" ? "standard output" : path) {
    if (path == "-")
        return;
    if (const int error = platform::BeginReplacing(path, &file_); error != 0)
        fail(error);
    open_ = true;
}

OutputFile::~OutputFile() {
    if (open_)
        platform::AbortReplacing(file_);
}

void OutputFile::fail(int error) {
    if (open_)
        platform::AbortReplacing(file_);
    open_ = false;
    throw ToolError(ExitFileError, name_ + ": " + Reason(error));
}

void OutputFile::write(const uint8_t* bytes, int64_t n) {
    if (n <= 0)
        return;
    if (path_ == "-") {
        if (std::fwrite(bytes, 1, static_cast<size_t>(n), stdout) != static_cast<size_t>(n))
            throw ToolError(ExitFileError, name_ + ": " + std::strerror(errno));
        return;
    }
    if (const int error = platform::WriteReplacing(file_, bytes, static_cast<size_t>(n));
        error != 0)
        fail(error);
}

void OutputFile::commit() {
    if (path_ == "-") {
        if (std::fflush(stdout) != 0)
            throw ToolError(ExitFileError, name_ + ": " + std::strerror(errno));
        return;
    }
    if (const int error = platform::FinishReplacing(file_); error != 0)
        fail(error);
    open_ = false;
}

} // namespace tool
