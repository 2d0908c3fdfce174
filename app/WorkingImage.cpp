// WorkingImage.cpp — the working image, its file operations and transformations.
#include "WorkingImage.h"

#include "FileIo.h"
#include "ImageFormats.h"
#include "QXBinHex.h"

#include <QBuffer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

uint8_t ImageBuffer[ImageCapacity];
int32_t ImageSize = 0;
std::string SourceFileName;
int64_t ImageOrigin = 0;
bool ImageFromRecords = false;

namespace {

// The text of an open record file, read in the blocks the readers ask for.
class TFileText : public tool::ByteSource {
public:
    TFileText(platform::FileHandle file, int64_t size, const std::string& path)
        : File(file), Size(size), Path(path) {}
    int64_t size() const override { return Size; }
    void read(int64_t offset, uint8_t* to, int64_t n) override {
        size_t got = 0;
        int error = 0;
        if (!platform::ReadFileAt(File, to, static_cast<size_t>(n), offset, &got, &error))
            throw EInOutError::FromErrno(error, Path);
        if (got < static_cast<size_t>(n))
            throw EInOutError(platform::IoReadBeyondEnd);
    }

private:
    platform::FileHandle File;
    int64_t Size;
    const std::string& Path;
};

std::string FormatErrorText(const std::string& path, const tool::FormatError& e) {
    return path + ": " + e.what();
}

} // namespace

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

TFileImage LoadImageFile(const std::string& path) {
    int error = 0;
    platform::UniqueFile file(platform::OpenFileForReading(path, &error));
    if (!file)
        throw EInOutError::FromErrno(error, path);

    const int64_t size = platform::FileSizeOf(file.get());
    if (size < 0)
        throw EInOutError::FromErrno(EIO, path);

    TFileText text(file.get(), size, path);
    std::string head(static_cast<size_t>(std::min(size, tool::ContentProbeBytes)), '\0');
    text.read(0, reinterpret_cast<uint8_t*>(head.data()), static_cast<int64_t>(head.size()));
    const tool::FileFormat format = tool::FormatFromContent(head);

    TFileImage image;
    if (format == tool::FileFormat::Binary) {
        if (size > ImageCapacity)
            throw EInOutError(IoFileTooLarge);
        image.Bytes.resize(static_cast<size_t>(size));
        text.read(0, image.Bytes.data(), size);
    } else {
        try {
            tool::SparseImage records = format == tool::FileFormat::IntelHex
                                            ? tool::ParseIntelHexFrom(text, 0xFF)
                                            : tool::ParseSRecordFrom(text, 0xFF);
            if (records.size() > ImageCapacity)
                throw EInOutError(IoFileTooLarge);
            image.Bytes.resize(static_cast<size_t>(records.size()));
            records.read(0, image.Bytes.data(), records.size());
            image.Origin = records.origin;
            image.FromRecords = true;
        } catch (const tool::FormatError& e) {
            throw EFormatError(FormatErrorText(path, e));
        }
    }
    // Closing is the last step that can fail, so it is checked rather than left to the destructor.
    if (const int closeError = platform::CloseFile(file.release()); closeError != 0)
        throw EInOutError::FromErrno(closeError, path);
    return image;
}

void ReadImageFile() {
    // Read into a scratch block first so that a failed read leaves the previous image whole.
    const TFileImage image = LoadImageFile(SourceFileName);
    std::copy(image.Bytes.begin(), image.Bytes.end(), ImageBuffer);
    ImageSize = static_cast<int32_t>(image.Bytes.size());
    ImageOrigin = image.Origin;
    ImageFromRecords = image.FromRecords;
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
    ShowImageBytes(result, ImageBuffer, ImageSize, ImageOrigin);
}

void ShowImageBytes(TResultView& view, const uint8_t* bytes, int64_t n, int64_t origin) {
    // Close the viewer's source first: it ignores the stream it already shows, and a new stream may
    // reuse a freed one's address.
    view.Viewer->OpenStream(nullptr, /*redraw=*/true);
    view.ResultStream.reset();

    auto stream = std::make_unique<QBuffer>();
    stream->setData(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(n));
    stream->open(QIODevice::ReadOnly);
    view.ResultStream = std::move(stream);
    view.Viewer->setAddressBase(origin);
    view.Viewer->OpenStream(view.ResultStream.get(), /*redraw=*/true);
}

void SaveImageFile(const std::string& path) {
    SaveImageBytes(path, ImageBuffer, ImageSize, ImageOrigin);
}

void SaveImageBytes(const std::string& path, const uint8_t* bytes, int64_t n, int64_t origin) {
    const tool::FormatChoice format = tool::FormatFromPath(path);
    int rc = 0;
    if (format.format == tool::FileFormat::Binary) {
        rc = platform::WriteFileReplacing(path, bytes, static_cast<size_t>(n));
    } else {
        tool::AddressedImage image;
        image.origin = origin;
        image.bytes.assign(bytes, bytes + n);
        std::string text;
        try {
            text = tool::WriteImage(image, format);
        } catch (const tool::FormatError& e) {
            throw EFormatError(FormatErrorText(path, e));
        }
        rc = platform::WriteFileReplacing(path, text.data(), text.size());
    }
    if (rc != 0)
        throw EInOutError::FromErrno(rc, path);
}
