// ToolFiles.cpp — whole-file input from files or standard input, replacing output.
#include "ToolFiles.h"

#include "FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tool {

namespace {

std::string Describe(const std::string& path) {
    return path == "-" ? std::string("standard input") : path;
}

} // namespace

std::string ReadInput(const std::string& path, int64_t limit) {
    const bool isStdin = path == "-";
    // FILE streams rather than the window's file calls: pipes, FIFOs and process substitutions are
    // ordinary inputs for a build script.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(nullptr, &std::fclose);
    std::FILE* file = stdin;
    if (!isStdin) {
        owned.reset(std::fopen(path.c_str(), "rb"));
        if (!owned)
            throw ToolError(ExitFailure, path + ": " + std::strerror(errno));
        file = owned.get();
    }
    std::string content;
    char block[1 << 16];
    for (;;) {
        const size_t got = std::fread(block, 1, sizeof block, file);
        content.append(block, got);
        if (static_cast<int64_t>(content.size()) > limit)
            throw ToolError(ExitFailure, Describe(path) + ": longer than " +
                                             std::to_string(limit >> 20) + " MiB");
        if (got < sizeof block)
            break;
    }
    if (std::ferror(file))
        throw ToolError(ExitFailure, Describe(path) + ": " + std::strerror(errno));
    return content;
}

void WriteOutput(const std::string& path, const std::string& data) {
    if (path == "-") {
        if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() ||
            std::fflush(stdout) != 0)
            throw ToolError(ExitFailure, std::string("standard output: ") + std::strerror(errno));
        return;
    }
    const int error = platform::WriteFileReplacing(path, data.data(), data.size());
    if (error == platform::IoDiskFull)
        throw ToolError(ExitFailure, path + ": " + std::strerror(ENOSPC));
    if (error != 0)
        throw ToolError(ExitFailure, path + ": " + std::strerror(error));
}

} // namespace tool
