// RecordText.h — Intel HEX and S-record lines built field by field, for the files of other tools
// that the tool's own writers never produce (wrapping records, data after an end record).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace test {

// One Intel HEX record: ":" count, offset, type, data and checksum in upper-case hex.
inline std::string HexRecord(int type, uint16_t offset, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(data.size()),
                                  static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset),
                                  static_cast<uint8_t>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t b : bytes)
        sum = static_cast<uint8_t>(sum + b);
    bytes.push_back(static_cast<uint8_t>(-sum));
    std::string line = ":";
    char pair[3];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        line += pair;
    }
    return line;
}

// One S-record of type 0 to 9 with the address length its type has.
inline std::string SRecord(int type, uint32_t address, const std::vector<uint8_t>& data) {
    static constexpr int AddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    const int addressBytes = AddressBytes[type];
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(addressBytes + data.size() + 1)};
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t b : bytes)
        sum = static_cast<uint8_t>(sum + b);
    bytes.push_back(static_cast<uint8_t>(~sum));
    std::string line = "S" + std::to_string(type);
    char pair[3];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        line += pair;
    }
    return line;
}

// Lines joined with a newline after each.
inline std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace test
