// WorkingImage.h — the working image (the firmware file held whole in memory), its transformations
// and the I/O exception that reports file errors.
#pragma once

#include "ImageTransforms.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QBuffer>
class TQXBinHex;

inline constexpr int ImageCapacity = 1048576;

extern uint8_t ImageBuffer[ImageCapacity];
extern int32_t ImageSize;
// Path of the file last chosen in File ▸ Open, as the platform's native 8-bit name (UTF-8).
extern std::string SourceFileName;
// The device address of ImageBuffer[0]: the lowest address a HEX or S-record file gave, 0 for a
// raw file.
extern int64_t ImageOrigin;
// True when the image came from a HEX or S-record file, which viewers show from memory: the file
// itself holds text.
extern bool ImageFromRecords;

// Code of the refusal of a file longer than the image capacity.
inline constexpr int IoFileTooLarge = 1000;
// Code of a name whose symbolic links go round in a loop (or chain too far).
inline constexpr int IoLinkLoop = 1001;

// A file error: the runtime's code and its message ("File not found", "I/O error 13", ...).
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(int code);
    EInOutError(int code, const QString& message);
    // The error of a failed system call on path: a mapped errno gets the table's message, a link
    // loop IoLinkLoop, any other "I/O error <errno>" (even where its number equals one of the
    // table's codes).
    static EInOutError FromErrno(int error, const std::string& path);
    const int ErrorCode;
};

// A HEX or S-record file whose records are broken, or an image that the records chosen for saving
// cannot address: the file's name, the line when there is one, and the cause, as vornex-tool
// reports them ("rom.hex: line 3: the record's checksum is wrong").
class EFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The message for a runtime I/O code.
QString IoErrorMessage(int code);

// The result viewer and the memory stream it shows, which must live as long as the viewer shows it.
struct TResultView {
    TQXBinHex* Viewer = nullptr;
    std::unique_ptr<QBuffer> ResultStream;
    ~TResultView();
};

// An image read from a file, at the device address of its first byte.
struct TFileImage {
    std::vector<uint8_t> Bytes;
    int64_t Origin = 0;
    bool FromRecords = false;
};

// Reads path as Intel HEX or S-records when its content shows records (FormatFromContent), with the
// readers of vornex-tool, or as raw bytes otherwise. A record file gives the bytes from its lowest
// to its highest address, 0xFF where no record gives one. Throws EInOutError for a file error and
// for an image longer than the capacity ("File too large": a raw file's size, a record file's
// span), EFormatError for broken records.
TFileImage LoadImageFile(const std::string& path);

// Reads SourceFileName whole into the image (LoadImageFile), setting ImageOrigin and
// ImageFromRecords. All or nothing: on any failure the previous image stays and the error is
// thrown.
void ReadImageFile();
// ReadImageFile, mirror by the settings, ShowResult.
void MirrorAddresses(int dataSizeIndex, bool lowByteFirst, TResultView& result);
// Inverts every bit of the current image, then ShowResult.
void InvertData(TResultView& result);
// Gives the result viewer a new memory stream holding a copy of the image, its offsets shown from
// ImageOrigin.
void ShowResult(TResultView& result);
// Gives a viewer a new memory stream holding a copy of n bytes, its offsets shown from origin.
void ShowImageBytes(TResultView& view, const uint8_t* bytes, int64_t n, int64_t origin);
// SaveImageBytes of the image at ImageOrigin.
void SaveImageFile(const std::string& path);
// Writes n bytes to path as Intel HEX or S-records at origin when the path's extension names such
// a format (FormatFromPath: .hex, .s19, .srec, ...), raw otherwise, replacing an existing file only
// once all of it is written; on failure the old file is intact and EInOutError is thrown. An image
// the chosen records cannot address throws EFormatError and writes nothing.
void SaveImageBytes(const std::string& path, const uint8_t* bytes, int64_t n, int64_t origin);
