// Chips.cpp — the chip table and the lookup of chip names.
#include "Chips.h"

#include "ToolFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tool {

namespace {

constexpr int64_t KiB = 1024;
constexpr int64_t MiB = 1024 * KiB;

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

const Chip* Lookup(const std::string& upper) {
    for (const Chip& chip : Chips()) {
        if (chip.name == upper)
            return &chip;
        if (std::find(chip.aliases.begin(), chip.aliases.end(), upper) != chip.aliases.end())
            return &chip;
    }
    return nullptr;
}

} // namespace

std::string Chip::organisation() const {
    const int64_t words = bytes / wordBytes();
    const bool mega = words >= MiB && words % MiB == 0;
    return std::to_string(mega ? words / MiB : words / KiB) + (mega ? "M" : "K") + " x " +
           std::to_string(busBits);
}

const std::vector<Chip>& Chips() {
    // The 16-bit EPROMs and flashes with a BYTE pin (27C400, 27C800, 27C160, 29F400, 29F800,
    // 29F160) are listed by their word organisation, the way boards usually wire them.
    static const std::vector<Chip> chips = {
        {"2716", {}, 2 * KiB, 8, "EPROM"},
        {"2732", {}, 4 * KiB, 8, "EPROM"},
        {"2764", {"27C64"}, 8 * KiB, 8, "EPROM"},
        {"27C128", {"27128"}, 16 * KiB, 8, "EPROM"},
        {"27C256", {"27256"}, 32 * KiB, 8, "EPROM"},
        {"27C512", {"27512"}, 64 * KiB, 8, "EPROM"},
        {"27C010", {"27C1001"}, 128 * KiB, 8, "EPROM"},
        {"27C020", {"27C2001"}, 256 * KiB, 8, "EPROM"},
        {"27C040", {"27C4001"}, 512 * KiB, 8, "EPROM"},
        {"27C080", {"27C8001"}, 1 * MiB, 8, "EPROM"},
        {"27C1024", {"27C210"}, 128 * KiB, 16, "EPROM"},
        {"27C2048", {"27C220"}, 256 * KiB, 16, "EPROM"},
        {"27C4096", {"27C240"}, 512 * KiB, 16, "EPROM"},
        {"27C400", {}, 512 * KiB, 16, "EPROM"},
        {"27C800", {}, 1 * MiB, 16, "EPROM"},
        {"27C160", {}, 2 * MiB, 16, "EPROM"},
        {"27C322", {}, 4 * MiB, 16, "EPROM"},
        {"28C16", {"2816"}, 2 * KiB, 8, "EEPROM"},
        {"28C64", {"2864"}, 8 * KiB, 8, "EEPROM"},
        {"28C256", {}, 32 * KiB, 8, "EEPROM"},
        {"28C010", {}, 128 * KiB, 8, "EEPROM"},
        {"28F010", {}, 128 * KiB, 8, "flash"},
        {"28F020", {}, 256 * KiB, 8, "flash"},
        {"29C256", {}, 32 * KiB, 8, "flash"},
        {"29C010", {"29C010A"}, 128 * KiB, 8, "flash"},
        {"29C020", {}, 256 * KiB, 8, "flash"},
        {"29C040", {"29C040A"}, 512 * KiB, 8, "flash"},
        {"29F010", {}, 128 * KiB, 8, "flash"},
        {"29F002", {}, 256 * KiB, 8, "flash"},
        {"29F040", {}, 512 * KiB, 8, "flash"},
        {"29F080", {}, 1 * MiB, 8, "flash"},
        {"29F016", {}, 2 * MiB, 8, "flash"},
        {"29F400", {}, 512 * KiB, 16, "flash"},
        {"29F800", {}, 1 * MiB, 16, "flash"},
        {"29F160", {}, 2 * MiB, 16, "flash"},
        {"39SF512", {}, 64 * KiB, 8, "flash"},
        {"39SF010", {"39SF010A"}, 128 * KiB, 8, "flash"},
        {"39SF020", {"39SF020A"}, 256 * KiB, 8, "flash"},
        {"39SF040", {}, 512 * KiB, 8, "flash"},
    };
    return chips;
}

const Chip& FindChip(const std::string& name) {
    const std::string upper = Upper(name);
    if (const Chip* chip = Lookup(upper))
        return *chip;
    // A maker's letters before the number and a speed grade after it: M27C512-12, AT28C256-15.
    const size_t digit = upper.find_first_of("0123456789");
    if (digit != std::string::npos) {
        const std::string bare = upper.substr(digit, upper.find('-', digit) - digit);
        if (const Chip* chip = Lookup(bare))
            return *chip;
    }
    std::string known;
    for (const Chip& chip : Chips())
        known += (known.empty() ? "" : ", ") + std::string(chip.name);
    throw ToolError(ExitUsage, "unknown chip '" + name + "'; the chips known are " + known +
                                   " (vornex-tool chips lists their sizes)");
}

std::string ChipTable() {
    std::string table = "CHIP     BYTES    ORGANISATION  BUS     KIND    ALSO\n";
    for (const Chip& chip : Chips()) {
        std::string also;
        for (std::string_view alias : chip.aliases)
            also += (also.empty() ? "" : ", ") + std::string(alias);
        char line[128];
        std::snprintf(line, sizeof line, "%-8s %-8lld %-13s %2d-bit  %-7s %s",
                      std::string(chip.name).c_str(), static_cast<long long>(chip.bytes),
                      chip.organisation().c_str(), chip.busBits, std::string(chip.kind).c_str(),
                      also.c_str());
        std::string text = line;
        text.erase(text.find_last_not_of(' ') + 1);
        table += text + '\n';
    }
    return table;
}

} // namespace tool
