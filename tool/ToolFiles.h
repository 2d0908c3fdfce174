// ToolFiles.h — the tool's inputs read in blocks and its outputs written all or nothing.
#pragma once

#include "ByteStreams.h"
#include "FileIo.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tool {

// Exit statuses: a wrong command line, a file that cannot be read or written, bad input data,
// and the answers of compare and detect.
inline constexpr int ExitUsage = 1;
inline constexpr int ExitFileError = 2;
inline constexpr int ExitBadData = 3;
// compare: the images differ; detect: no transformation found.
inline constexpr int ExitDifferent = 4;
inline constexpr int ExitNotFound = 5;

// A failure that ends the command: the message for standard error and the exit status.
class ToolError : public std::runtime_error {
public:
    ToolError(int exitStatus, const std::string& message)
        : std::runtime_error(message), ExitStatus(exitStatus) {}
    const int ExitStatus;
};

// Standard input and other inputs that cannot be read at an offset (pipes, FIFOs) are read whole
// into memory, up to this size.
inline constexpr int64_t MaxUnseekableInput = int64_t{256} << 20;

// An input file, or standard input for "-". A regular file is only opened and measured here and
// then read in the blocks asked for, so its size does not bound memory; one over MaxInputSize is
// refused without being read. Failures throw ToolError with ExitFileError and the file's name.
class InputFile : public ByteSource {
public:
    explicit InputFile(const std::string& path);

    int64_t size() const override { return size_; }
    void read(int64_t offset, uint8_t* to, int64_t n) override;
    // "standard input" or the path.
    const std::string& name() const { return name_; }

private:
    // Closes the file unless it is standard input.
    struct CloseInput {
        void operator()(std::FILE* file) const;
    };
    std::string name_;
    std::unique_ptr<std::FILE, CloseInput> file_;
    int64_t size_ = 0;
    // The whole content of an input that cannot be read at an offset.
    std::vector<uint8_t> held_;
    bool seekable_ = false;
};

// An output file, or standard output for "-". A file is written to a temporary file in its folder
// that commit() renames over the target; an output destroyed without commit (the command failed)
// removes the temporary file, so an existing file stays as it was and no partial one appears.
// Failures throw ToolError with ExitFileError and the file's name.
class OutputFile : public ByteSink {
public:
    explicit OutputFile(const std::string& path);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const uint8_t* bytes, int64_t n) override;
    void commit();
    // "standard output" or the path.
    const std::string& name() const { return name_; }

private:
    void fail(int error);

    std::string path_;
    std::string name_;
    platform::ReplacingFile file_;
    bool open_ = false;
};

} // namespace tool
