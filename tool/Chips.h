// Chips.h — the table of common parallel EPROMs, EEPROMs and flashes: their sizes and bus widths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tool {

struct Chip {
    // The usual part number without a maker's prefix, e.g. "27C512".
    std::string_view name;
    // Other numbers of the same organisation, e.g. "27512" or "27C1001"; may be empty.
    std::vector<std::string_view> aliases;
    int64_t bytes;
    // 8 or 16: the data bus of the chip as it is usually wired. A chip with a BYTE pin counts as
    // 16-bit; its size in bytes is the same in either mode.
    int busBits;
    std::string_view kind;

    // The organisation in words: "64K x 8", "256K x 16", "2M x 16".
    std::string organisation() const;
    // A 16-bit chip holds no half word: its images are a whole number of 2-byte words.
    int64_t wordBytes() const { return busBits / 8; }
};

// Every chip of the table, smallest first within each family.
const std::vector<Chip>& Chips();

// The chip a name means, case-insensitive: a table name or alias, or one with a maker's prefix of
// letters and a speed grade after '-' (M27C512-12 is the 27C512). An unknown name throws a usage
// ToolError that lists the known names.
const Chip& FindChip(const std::string& name);

// The table as `chips` prints it: one line a chip with its name, size in bytes, organisation, bus
// width, kind and other names, under a heading line.
std::string ChipTable();

} // namespace tool
