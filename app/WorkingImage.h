// WorkingImage.h — the working image (the firmware file held whole in memory), its transformations
// and the I/O exception that reports file errors.
#pragma once

#include "ImageTransforms.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include <QBuffer>
class TQXBinHex;

inline constexpr int ImageCapacity = 1048576;

extern uint8_t ImageBuffer[ImageCapacity];
extern int32_t ImageSize;
// Path of the file last chosen in File ▸ Open, as the platform's native 8-bit name (UTF-8).
extern std::string SourceFileName;

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

// The message for a runtime I/O code.
QString IoErrorMessage(int code);

// The result viewer and the memory stream it shows, which must live as long as the viewer shows it.
struct TResultView {
    TQXBinHex* Viewer = nullptr;
    std::unique_ptr<QBuffer> ResultStream;
    ~TResultView();
};

// Reads SourceFileName whole into the image. All or nothing: on any failure the previous image
// stays and EInOutError is thrown; a file longer than the capacity is refused with "File too
// large".
void ReadImageFile();
// ReadImageFile, mirror by the settings, ShowResult.
void MirrorAddresses(int dataSizeIndex, bool lowByteFirst, TResultView& result);
// Inverts every bit of the current image, then ShowResult.
void InvertData(TResultView& result);
// Gives the result viewer a new memory stream holding a copy of the image.
void ShowResult(TResultView& result);
// Writes exactly ImageSize bytes to path, replacing an existing file only once all of them are
// written; on failure the old file is intact and EInOutError is thrown.
void SaveImageFile(const std::string& path);
