// QXxFProc.cpp — file operations on wide names.
#include "QXxFProc.h"

#include <QFile>

std::string NativeFileName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

bool FFileExists(const QString& name, bool& isFolder) {
    isFolder = false;
    return platform::FindEntry(NativeFileName(name), &isFolder);
}

bool IsFileExist(const QString& name) {
    bool isFolder = false;
    return FFileExists(name, isFolder) && !isFolder;
}

TFileHandle FFileOpen(const QString& name) {
    return platform::OpenFileForReading(NativeFileName(name));
}

int64_t FGetFileSize(TFileHandle handle) {
    return platform::FileSizeOf(handle);
}
