// ImageFormats.h — reading and writing images as raw binary, Intel HEX and Motorola S-records.
#pragma once

#include "ByteStreams.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tool {

// The largest image the tool holds (the span from the lowest to the highest address of a file).
inline constexpr int64_t MaxImageSize = int64_t{256} << 20;

// An image and the address of its first byte.
struct AddressedImage {
    int64_t origin = 0;
    std::vector<uint8_t> bytes;
    // The start address of a HEX start record or an S-record terminator, when a file gave one.
    std::optional<uint32_t> entry;
};

// The file format and, for the text formats, the kind of address records written:
// Intel HEX 8 (16-bit addresses only), 16 (segment records, 1 MiB), 32 (linear records, 4 GiB);
// S-records 1, 2, 3 (S1, S2 or S3 data records with 16-, 24- or 32-bit addresses). 0 chooses the
// smallest that holds the image. Reading accepts every kind.
enum class FileFormat { Binary, IntelHex, SRecord };
struct FormatChoice {
    FileFormat format = FileFormat::Binary;
    int records = 0;
    bool operator==(const FormatChoice&) const = default;
};

// A format name of --in-format / --out-format: binary (raw), ihex (hex), ihex8, ihex16, ihex32,
// srec, s19, s28, s37. Nothing for an unknown name.
std::optional<FormatChoice> FormatFromName(std::string_view name);
// The format a file name's extension implies: .hex/.ihx/.ihex Intel HEX, .s19/.s28/.s37 S1/S2/S3,
// .srec/.mot S-records; anything else (and "-") binary. Case does not matter. A numbered part
// "name.hex.0" takes the extension before its number.
FormatChoice FormatFromPath(std::string_view path);

// A malformed file: line is the 1-based line of the record at fault, 0 for the file as a whole.
class FormatError : public std::runtime_error {
public:
    FormatError(int64_t line, const std::string& message);
    const int64_t Line;
};

// The data records of a HEX or S-record file as a source of the bytes from their lowest to their
// highest address, with fill where no record gives a byte. Memory holds only the bytes the records
// give, so a few records far apart make a large image without its gaps.
class SparseImage : public ByteSource {
public:
    explicit SparseImage(uint8_t fill) : fill_(fill) {}
    int64_t size() const override { return span_; }
    void read(int64_t offset, uint8_t* to, int64_t n) override;
    std::vector<DataRange> ranges() const override;

    // The lowest address given (0 when no record gives data).
    int64_t origin = 0;
    // The start address of a HEX start record or an S-record terminator, when the file gave one.
    std::optional<uint32_t> entry;

private:
    friend class PieceCollector;
    struct Run {
        int64_t address;
        int64_t poolOffset;
        int64_t length;
    };
    uint8_t fill_;
    int64_t span_ = 0;
    std::vector<Run> runs_;
    std::vector<uint8_t> pool_;
};

// Parses a file read in blocks from text. Every record's length and checksum are verified. Two
// records that give different bytes for one address, a span longer than MaxInputSize, a line
// longer than any record and a missing end record are errors (an S-record file may end with its
// count record instead of a termination record). Lines may end in CR LF; empty lines
// are skipped.
SparseImage ParseIntelHexFrom(ByteSource& text, uint8_t fill);
SparseImage ParseSRecordFrom(ByteSource& text, uint8_t fill);

// The same for a whole file in memory, laid out as one image; a span longer than MaxImageSize is
// an error.
AddressedImage ParseIntelHex(std::string_view text, uint8_t fill);
AddressedImage ParseSRecord(std::string_view text, uint8_t fill);

// Writes an image given in pieces to a sink in one format. Intel HEX: 16 data bytes per record, a
// new record at every 64 KiB boundary. S-records: an S0 header, the data records, an S5/S6 count
// record and the S9/S8/S7 terminator that matches the data records. Raw binary: the bytes.
class ImageWriter {
public:
    virtual ~ImageWriter() = default;
    // The writer for an image of size bytes at origin: throws FormatError (line 0) when its
    // addresses or its entry do not fit the records chosen.
    static std::unique_ptr<ImageWriter> Make(const FormatChoice& format, int64_t origin,
                                             int64_t size, std::optional<uint32_t> entry,
                                             ByteSink& sink);
    // The image's next n bytes.
    virtual void append(const uint8_t* data, int64_t n) = 0;
    // The next n addresses hold no bytes: a record format writes no records for them, raw binary
    // writes n fill bytes.
    virtual void gap(int64_t n, uint8_t fill);
    // Writes the end records once all size bytes are appended.
    virtual void finish() = 0;
};

// A whole image through ImageWriter into a string.
std::string WriteIntelHex(const AddressedImage& image, int records);
std::string WriteSRecord(const AddressedImage& image, int records);

// The file's content in the format given.
AddressedImage ParseImage(std::string_view content, FileFormat format, uint8_t fill);
std::string WriteImage(const AddressedImage& image, const FormatChoice& format);

} // namespace tool
