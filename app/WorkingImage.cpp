// WorkingImage.cpp — the working image, its file operations and transformations.
#include "WorkingImage.h"

#include "FileIo.h"
#include "QXBinHex.h"

#include <QBuffer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

uint8_t ImageBuffer[ImageCapacity];
int32_t ImageSize = 0;
std::string SourceFileName;

QString IoErrorMessage(int code) {
    switch (code) {
    case platform::IoFileNotFound:
        return QStringLiteral("File not found");
    case platform::IoInvalidFilename:
        return QStringLiteral("Invalid filename");
    case platform::IoTooManyOpenFiles:
        return QStringLiteral("Too many open files");
    case platform::IoAccessDenied:
        return QStringLiteral("File access denied");
    case platform::IoReadBeyondEnd:
        return QStringLiteral("Read beyond end of file");
    case platform::IoDiskFull:
        return QStringLiteral("Disk full");
    case 106:
        return QStringLiteral("Invalid numeric input");
    case IoFileTooLarge:
        return QStringLiteral("File too large");
    case IoLinkLoop:
        return QStringLiteral("Too many levels of symbolic links");
    default:
        return QStringLiteral("I/O error %1").arg(code);
    }
}

EInOutError::EInOutError(int code) : EInOutError(code, IoErrorMessage(code)) {}

EInOutError::EInOutError(int code, const QString& message)
    : std::runtime_error(message.toStdString()), ErrorCode(code) {}

EInOutError EInOutError::FromErrno(int error, const std::string& path) {
    // "I/O error 40" would leave the user guessing.
    if (error == ELOOP)
        return EInOutError(IoLinkLoop);
    bool mapped = false;
    const int code = platform::RuntimeIoCode(error, path, &mapped);
    if (!mapped && code != platform::IoDiskFull)
        return EInOutError(code, QStringLiteral("I/O error %1").arg(code));
    return EInOutError(code);
}

TResultView::~TResultView() {
    // The viewer must let go of the stream before the stream goes.
    if (Viewer && ResultStream && Viewer->Stream == ResultStream.get())
        Viewer->OpenStream(nullptr, /*redraw=*/false);
}

void ReadImageFile() {
    const std::string path = SourceFileName;
    int error = 0;
    platform::UniqueFile file(platform::OpenFileForReading(path, &error));
    if (!file)
        throw EInOutError::FromErrno(error, path);

    const int64_t size = platform::FileSizeOf(file.get());
    if (size < 0)
        throw EInOutError::FromErrno(EIO, path);
    if (size > ImageCapacity)
        throw EInOutError(IoFileTooLarge);

    // Read into a scratch block first so that a failed read leaves the previous image whole.
    std::vector<uint8_t> data(static_cast<size_t>(size));
    size_t got = 0;
    if (!platform::ReadFileAt(file.get(), data.data(), data.size(), 0, &got, &error))
        throw EInOutError::FromErrno(error, path);
    if (got < data.size())
        throw EInOutError(platform::IoReadBeyondEnd);
    // Closing is the last step that can fail, so it is checked rather than left to the destructor.
    if (const int closeError = platform::CloseFile(file.release()); closeError != 0)
        throw EInOutError::FromErrno(closeError, path);

    std::copy(data.begin(), data.end(), ImageBuffer);
    ImageSize = static_cast<int32_t>(size);
}

void MirrorAddresses(int dataSizeIndex, bool lowByteFirst, TResultView& result) {
    ReadImageFile();
    MirrorByDataSize(ImageBuffer, ImageSize, dataSizeIndex, lowByteFirst);
    ShowResult(result);
}

void InvertData(TResultView& result) {
    InvertBytes(ImageBuffer, ImageSize);
    ShowResult(result);
}

void ShowResult(TResultView& result) {
    // Close the viewer's source first: it ignores the stream it already shows, and a new stream may
    // reuse a freed one's address.
    result.Viewer->OpenStream(nullptr, /*redraw=*/true);
    result.ResultStream.reset();

    auto stream = std::make_unique<QBuffer>();
    stream->setData(reinterpret_cast<const char*>(ImageBuffer), ImageSize);
    stream->open(QIODevice::ReadOnly);
    result.ResultStream = std::move(stream);
    result.Viewer->OpenStream(result.ResultStream.get(), /*redraw=*/true);
}

void SaveImageFile(const std::string& path) {
    const int rc = platform::WriteFileReplacing(path, ImageBuffer, static_cast<size_t>(ImageSize));
    if (rc != 0)
        throw EInOutError::FromErrno(rc, path);
}
