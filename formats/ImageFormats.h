// ImageFormats.h — reading and writing images as raw binary, Intel HEX and Motorola S-records.
#pragma once

#include "ByteStreams.h"
#include "SparseImage.h"

#include <cstdint>
#include <functional>
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

// How many bytes of a file's start FormatFromContent needs: more than the longest record's line.
inline constexpr int64_t ContentProbeBytes = 1024;
// The format a file's content shows, from its first ContentProbeBytes bytes (or all of a shorter
// file): Intel HEX when the first character other than a blank or a line end is ':' followed by an
// even number of at least ten hex digits up to the line's end, S-records when it is 'S', a digit
// and an even number of at least six hex digits, raw binary otherwise. Only the shape of the first
// record counts: a first record with a wrong checksum still says which reader reports it.
FileFormat FormatFromContent(std::string_view head);

// A malformed file: line is the 1-based line of the record at fault, 0 for the file as a whole.
class FormatError : public std::runtime_error {
public:
    FormatError(int64_t line, const std::string& message);
    const int64_t Line;
};

// A remark on a file that is read all the same: the 1-based line it is about and the message.
using RecordWarning = std::function<void(int64_t line, const std::string& message)>;

// Parses a file read in blocks from text. Every record's length and checksum are verified. Two
// records that give different bytes for one address (the line of the first record, in file order,
// that contradicts an earlier one is named), a span longer than MaxInputSize, a line longer than
// any record and a missing end record are errors. Lines may end in CR LF; empty lines are skipped.
//
// Intel HEX: a data record's address is its offset plus the upper 16 bits of the last linear
// address record (type 04), modulo 4 GiB; after a segment record (type 02) it is the segment times
// 16 plus the offset modulo 64 KiB, so a record crossing the segment's 64 KiB wraps to its start.
// With neither, addresses are plain offsets and a record may run past 0xFFFF. The last start
// record (03 or 05) gives the entry. Text after the end-of-file record is ignored with a warning
// naming that record.
//
// S-records: the file must end with a termination record (S7, S8, S9) or a count record (S5, S6)
// after its last data record. A count record counts the data records since the last header (S0)
// or termination record. Records after a termination record are read, with a warning naming the
// first of them; the last termination record gives the entry.
SparseImage ParseIntelHexFrom(ByteSource& text, uint8_t fill, const RecordWarning& warn = {});
SparseImage ParseSRecordFrom(ByteSource& text, uint8_t fill, const RecordWarning& warn = {});

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
