// CrcCatalogue.h — CRCs by their catalogue parameters: the named ones firmware tools use, and one
// engine for any width from 8 to 64 bits, folding with carry-less multiplication where the
// processor has it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tool {

// A CRC in the catalogue's terms. The polynomial is written without its top bit and not
// reflected, whatever refin says (0x04C11DB7 for CRC-32); init is the register's value before the
// first byte, also not reflected. refin: each byte's least significant bit is taken first;
// refout: the register is reflected before xorout is applied.
struct CrcParameters {
    std::string_view name;
    int width = 0;
    uint64_t poly = 0;
    uint64_t init = 0;
    bool refin = false;
    bool refout = false;
    uint64_t xorout = 0;
    // The CRC of the nine ASCII bytes "123456789"; 0 for parameters that did not come from the
    // catalogue.
    uint64_t check = 0;
};

// The named CRCs: CRC-8/SMBUS, CRC-16/IBM-3740 (CCITT-FALSE), CRC-16/XMODEM, CRC-16/ARC,
// CRC-16/MODBUS, CRC-16/KERMIT, CRC-32/ISO-HDLC (zlib's), CRC-32/ISCSI (CRC-32C), CRC-32/MPEG-2,
// CRC-32/BZIP2 and CRC-64/XZ, each with its published check value.
const std::vector<CrcParameters>& CrcCatalogue();

// The catalogue entry of a name or a common alias (CRC-8, CRC-16/CCITT-FALSE, CRC-32, CRC-32C,
// CRC-64), case-insensitive; nothing for an unknown name.
std::optional<CrcParameters> FindCrc(std::string_view name);

// Which code computes a CRC: the fastest the processor runs, or the portable tables alone (the
// tests compare the two).
enum class CrcPath { Fastest, Portable };

// A CRC over bytes given in pieces of any sizes: the same value as over them all at once.
class Crc {
public:
    // width must lie from 8 to 64 and poly, init and xorout must fit it; throws
    // std::invalid_argument otherwise.
    explicit Crc(const CrcParameters& parameters, CrcPath path = CrcPath::Fastest);

    void add(const uint8_t* bytes, int64_t n);
    // The CRC of the bytes added since construction or reset, refout and xorout applied.
    uint64_t value() const;
    void reset();

private:
    struct Engine;
    std::shared_ptr<const Engine> engine_;
    uint64_t init_ = 0;
    bool refout_ = false;
    uint64_t xorout_ = 0;
    // The register: reflected and in the low bits for refin, otherwise in the high bits.
    uint64_t state_ = 0;
};

} // namespace tool
