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
    static constexpr struct {
        int Code;
        const char* Text;
    } Messages[] = {
        {platform::IoFileNotFound, "File not found"},
        {platform::IoInvalidFilename, "Invalid filename"},
        {platform::IoTooManyOpenFiles, "Too many open files"},
        {platform::IoAccessDenied, "File access denied"},
        {platform::IoReadBeyondEnd, "Read beyond end of file"},
        {platform::IoDiskFull, "Disk full"},
        {106, "Invalid numeric input"},
        {IoFileTooLarge, "File too large"},
        {IoLinkLoop, "Too many levels of symbolic links"},
    };
    for (const auto& message : Messages)
        if (message.Code == code)
            return QString::fromLatin1(message.Text);
    return QStringLiteral("I/O error %1").arg(code);
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
    if (Viewer && ResultStream && Viewer->Stream() == ResultStream.get())
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
