// ImageFormats.h — reading and writing images as raw binary, Intel HEX and Motorola S-records.
#pragma once

#include <cstdint>
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

// Parses a whole file. Every record's length and checksum are verified; addresses no record
// gives are filled with fill between the lowest and the highest address given. Two records that
// give different bytes for one address, a span longer than MaxImageSize and a missing end record
// are errors. Lines may end in CR LF; empty lines are skipped.
AddressedImage ParseIntelHex(std::string_view text, uint8_t fill);
AddressedImage ParseSRecord(std::string_view text, uint8_t fill);

// Writes 16 data bytes per record, starting a new record at every 64 KiB boundary. Throws
// FormatError (line 0) when the image's addresses (or its entry) do not fit the records chosen.
std::string WriteIntelHex(const AddressedImage& image, int records);
// Writes an S0 header, the data records, an S5/S6 count record and the S9/S8/S7 terminator that
// matches the data records.
std::string WriteSRecord(const AddressedImage& image, int records);

// The file's content in the format given.
AddressedImage ParseImage(std::string_view content, FileFormat format, uint8_t fill);
std::string WriteImage(const AddressedImage& image, const FormatChoice& format);

} // namespace tool
