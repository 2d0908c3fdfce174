// QXxFProc.h — file operations on wide (UTF-16) names; failures are result values, never
// exceptions.
#pragma once

#include "FileIo.h"

#include <QString>
#include <cstdint>

using TFileHandle = platform::FileHandle;
inline constexpr TFileHandle INVALID_HANDLE_VALUE = platform::InvalidFileHandle;

// True when an entry of that name exists; isFolder (set to false first) tells whether it is a
// folder.
bool FFileExists(const QString& name, bool& isFolder);

// True when an entry of that name exists and is not a folder.
bool IsFileExist(const QString& name);

// Opens an existing regular file for reading with full sharing; INVALID_HANDLE_VALUE for a missing
// file, a folder, or anything that is not a regular file (FIFOs and devices never block the
// caller).
TFileHandle FFileOpen(const QString& name);

// Size of the open file in bytes, or -1.
int64_t FGetFileSize(TFileHandle handle);

// The platform's native 8-bit form of a wide name.
std::string NativeFileName(const QString& name);
