// ToolFiles.h — reading the tool's inputs whole and writing its outputs all or nothing.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tool {

// A failure that ends the command: the message for standard error and the exit status (1 for
// file and format errors, 2 for a wrong command line).
class ToolError : public std::runtime_error {
public:
    ToolError(int exitStatus, const std::string& message)
        : std::runtime_error(message), ExitStatus(exitStatus) {}
    const int ExitStatus;
};

inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// The whole content of path, or of standard input for "-". More than limit bytes is an error.
std::string ReadInput(const std::string& path, int64_t limit);

// Writes data to path, or to standard output for "-". A file is replaced only once all of data is
// written (through a temporary file in its folder); on failure an existing file stays as it was.
void WriteOutput(const std::string& path, const std::string& data);

} // namespace tool
