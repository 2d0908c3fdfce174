// CrcCatalogue.cpp — the named CRCs, slicing-by-8 tables for any width, and folding with
// PCLMULQDQ on x86-64.
#include "CrcCatalogue.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace tool {

namespace {

const std::vector<CrcParameters> Catalogue = {
    {"CRC-8/SMBUS", 8, 0x07, 0, false, false, 0, 0xF4},
    {"CRC-16/IBM-3740", 16, 0x1021, 0xFFFF, false, false, 0, 0x29B1},
    {"CRC-16/XMODEM", 16, 0x1021, 0, false, false, 0, 0x31C3},
    {"CRC-16/ARC", 16, 0x8005, 0, true, true, 0, 0xBB3D},
    {"CRC-16/MODBUS", 16, 0x8005, 0xFFFF, true, true, 0, 0x4B37},
    {"CRC-16/KERMIT", 16, 0x1021, 0, true, true, 0, 0x2189},
    {"CRC-32/ISO-HDLC", 32, 0x04C11DB7, 0xFFFFFFFF, true, true, 0xFFFFFFFF, 0xCBF43926},
    {"CRC-32/ISCSI", 32, 0x1EDC6F41, 0xFFFFFFFF, true, true, 0xFFFFFFFF, 0xE3069283},
    {"CRC-32/MPEG-2", 32, 0x04C11DB7, 0xFFFFFFFF, false, false, 0, 0x0376E6E7},
    {"CRC-32/BZIP2", 32, 0x04C11DB7, 0xFFFFFFFF, false, false, 0xFFFFFFFF, 0xFC891918},
    {"CRC-64/XZ", 64, 0x42F0E1EBA9EA3693, ~uint64_t{0}, true, true, ~uint64_t{0},
     0x995DC9BBDF1939FA},
};

struct Alias {
    std::string_view alias;
    std::string_view name;
};
constexpr Alias Aliases[] = {
    {"CRC-8", "CRC-8/SMBUS"},
    {"CRC-16/CCITT-FALSE", "CRC-16/IBM-3740"},
    {"CRC-16/AUTOSAR", "CRC-16/IBM-3740"},
    {"CRC-16", "CRC-16/ARC"},
    {"CRC-32", "CRC-32/ISO-HDLC"},
    {"CRC-32C", "CRC-32/ISCSI"},
    {"CRC-64", "CRC-64/XZ"},
};

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
        return upper(x) == upper(y);
    });
}

uint64_t Mask(int width) {
    return width == 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
}

uint64_t Reflect(uint64_t value, int width) {
    uint64_t reflected = 0;
    for (int i = 0; i < width; ++i)
        reflected |= ((value >> i) & 1) << (width - 1 - i);
    return reflected;
}

uint64_t Load64Little(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

uint64_t Load64Big(const uint8_t* p) {
    return __builtin_bswap64(Load64Little(p));
}

// x^n modulo the polynomial of the given width (top bit implied), not reflected.
uint64_t PowerMod(int64_t n, uint64_t poly, int width) {
    uint64_t r = 1;
    for (int64_t i = 0; i < n; ++i) {
        const bool top = (r >> (width - 1)) & 1;
        r = (r << 1) & Mask(width);
        if (top)
            r ^= poly;
    }
    return r;
}

#if defined(__x86_64__)
bool HasCarrylessMultiply() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
    return has;
}

// A 128-bit lane as GCC's vector types hold it: two 64-bit halves (the low one first) or 16 bytes.
// The compiler's vector extensions and its PCLMULQDQ builtin stand in for the intrinsics header.
using Lane = long long __attribute__((vector_size(16)));
using LaneBytes = char __attribute__((vector_size(16)));

__attribute__((target("pclmul,ssse3"))) inline Lane ReversedBytes(Lane v) {
    const LaneBytes bytes = reinterpret_cast<LaneBytes>(v);
    return reinterpret_cast<Lane>(__builtin_shufflevector(bytes, bytes, 15, 14, 13, 12, 11, 10, 9,
                                                          8, 7, 6, 5, 4, 3, 2, 1, 0));
}

// A message's 16 bytes as a lane: reflected, bit i stands for x^(127 - i) as loaded; otherwise
// the bytes are reversed so that bit i stands for x^i.
template <bool Reflected>
__attribute__((target("pclmul,ssse3"))) inline Lane LoadLane(const uint8_t* at) {
    Lane v;
    std::memcpy(&v, at, sizeof v);
    if constexpr (Reflected)
        return v;
    return ReversedBytes(v);
}

// The lane moved forward by the distance of k's constants, modulo the polynomial.
__attribute__((target("pclmul,ssse3"))) inline Lane FoldLane(Lane lane, Lane k) {
    return __builtin_ia32_pclmulqdq128(lane, k, 0x00) ^ __builtin_ia32_pclmulqdq128(lane, k, 0x11);
}

// Four lanes folded 512 bits forward per step over n bytes (a multiple of 64, at least 64), then
// into one lane, stored in message order: those 16 bytes from a zero register give the register
// that the n bytes give from state. The register enters as the XOR of the message's first bytes,
// as in the tables.
template <bool Reflected>
__attribute__((target("pclmul,ssse3"))) void FoldLanes(uint64_t state, const uint8_t* p, int64_t n,
                                                       const uint64_t fold512[2],
                                                       const uint64_t fold128[2], uint8_t* lane) {
    const Lane k512 = {static_cast<long long>(fold512[0]), static_cast<long long>(fold512[1])};
    const Lane k128 = {static_cast<long long>(fold128[0]), static_cast<long long>(fold128[1])};
    Lane x0 = LoadLane<Reflected>(p);
    Lane x1 = LoadLane<Reflected>(p + 16);
    Lane x2 = LoadLane<Reflected>(p + 32);
    Lane x3 = LoadLane<Reflected>(p + 48);
    const Lane entering =
        Reflected ? Lane{static_cast<long long>(state), 0} : Lane{0, static_cast<long long>(state)};
    x0 ^= entering;
    const uint8_t* end = p + n;
    for (p += 64; p < end; p += 64) {
        x0 = FoldLane(x0, k512) ^ LoadLane<Reflected>(p);
        x1 = FoldLane(x1, k512) ^ LoadLane<Reflected>(p + 16);
        x2 = FoldLane(x2, k512) ^ LoadLane<Reflected>(p + 32);
        x3 = FoldLane(x3, k512) ^ LoadLane<Reflected>(p + 48);
    }
    x1 = FoldLane(x0, k128) ^ x1;
    x2 = FoldLane(x1, k128) ^ x2;
    x3 = FoldLane(x2, k128) ^ x3;
    if constexpr (!Reflected)
        x3 = ReversedBytes(x3);
    std::memcpy(lane, &x3, sizeof x3);
}
#endif

} // namespace

// Tables for a reflected register in the low bits (refin) or a register in the high bits of 64
// (otherwise): table[k][i] is the register after byte i followed by k zero bytes, so that eight
// bytes take eight lookups. The folding constants multiply a 64-bit half of a 128-bit lane by
// x^(distance + 64) and x^distance modulo the polynomial, for 512 bits (four lanes at once) and
// 128 bits (lane into lane).
struct Crc::Engine {
    int width = 0;
    bool reflected = false;
    uint64_t table[8][256] = {};
    bool fold = false;
    uint64_t fold512[2] = {};
    uint64_t fold128[2] = {};

    Engine(const CrcParameters& p, CrcPath path) : width(p.width), reflected(p.refin) {
        if (reflected) {
            const uint64_t poly = Reflect(p.poly, width);
            for (uint64_t i = 0; i < 256; ++i) {
                uint64_t c = i;
                for (int k = 0; k < 8; ++k)
                    c = (c & 1) ? (c >> 1) ^ poly : c >> 1;
                table[0][i] = c;
            }
            for (int k = 1; k < 8; ++k)
                for (int i = 0; i < 256; ++i)
                    table[k][i] = (table[k - 1][i] >> 8) ^ table[0][table[k - 1][i] & 0xFF];
        } else {
            const uint64_t poly = p.poly << (64 - width);
            for (uint64_t i = 0; i < 256; ++i) {
                uint64_t c = i << 56;
                for (int k = 0; k < 8; ++k)
                    c = (c >> 63) ? (c << 1) ^ poly : c << 1;
                table[0][i] = c;
            }
            for (int k = 1; k < 8; ++k)
                for (int i = 0; i < 256; ++i)
                    table[k][i] = (table[k - 1][i] << 8) ^ table[0][table[k - 1][i] >> 56];
        }
#if defined(__x86_64__)
        fold = path == CrcPath::Fastest && HasCarrylessMultiply();
#else
        (void)path;
#endif
        if (!fold)
            return;
        if (reflected) {
            // In a reflected lane bit i stands for x^(127 - i), and the product of two reflected
            // 64-bit values lands one bit low: the constants carry one power of x less, reflected.
            fold512[0] = Reflect(PowerMod(512 + 63, p.poly, width), 64);
            fold512[1] = Reflect(PowerMod(512 - 1, p.poly, width), 64);
            fold128[0] = Reflect(PowerMod(128 + 63, p.poly, width), 64);
            fold128[1] = Reflect(PowerMod(128 - 1, p.poly, width), 64);
        } else {
            // A byte-reversed lane has bit i for x^i: low half times x^distance, high half times
            // x^(distance + 64).
            fold512[0] = PowerMod(512, p.poly, width);
            fold512[1] = PowerMod(512 + 64, p.poly, width);
            fold128[0] = PowerMod(128, p.poly, width);
            fold128[1] = PowerMod(128 + 64, p.poly, width);
        }
    }

    uint64_t tables(uint64_t state, const uint8_t* p, int64_t n) const {
        if (reflected) {
            for (; n >= 8; p += 8, n -= 8) {
                const uint64_t s = state ^ Load64Little(p);
                state = table[7][s & 0xFF] ^ table[6][(s >> 8) & 0xFF] ^
                        table[5][(s >> 16) & 0xFF] ^ table[4][(s >> 24) & 0xFF] ^
                        table[3][(s >> 32) & 0xFF] ^ table[2][(s >> 40) & 0xFF] ^
                        table[1][(s >> 48) & 0xFF] ^ table[0][s >> 56];
            }
            for (; n > 0; ++p, --n)
                state = table[0][(state ^ *p) & 0xFF] ^ (state >> 8);
        } else {
            for (; n >= 8; p += 8, n -= 8) {
                const uint64_t s = state ^ Load64Big(p);
                state = table[7][s >> 56] ^ table[6][(s >> 48) & 0xFF] ^
                        table[5][(s >> 40) & 0xFF] ^ table[4][(s >> 32) & 0xFF] ^
                        table[3][(s >> 24) & 0xFF] ^ table[2][(s >> 16) & 0xFF] ^
                        table[1][(s >> 8) & 0xFF] ^ table[0][s & 0xFF];
            }
            for (; n > 0; ++p, --n)
                state = (state << 8) ^ table[0][(state >> 56) ^ *p];
        }
        return state;
    }

    uint64_t add(uint64_t state, const uint8_t* p, int64_t n) const {
#if defined(__x86_64__)
        // Below a few lanes the tables are as quick as setting up the fold.
        if (fold && n >= 256) {
            const int64_t whole = n / 64 * 64;
            alignas(16) uint8_t lane[16];
            if (reflected)
                FoldLanes<true>(state, p, whole, fold512, fold128, lane);
            else
                FoldLanes<false>(state, p, whole, fold512, fold128, lane);
            state = tables(0, lane, 16);
            p += whole;
            n -= whole;
        }
#endif
        return tables(state, p, n);
    }
};

const std::vector<CrcParameters>& CrcCatalogue() {
    return Catalogue;
}

std::optional<CrcParameters> FindCrc(std::string_view name) {
    for (const Alias& a : Aliases)
        if (SameName(a.alias, name))
            name = a.name;
    for (const CrcParameters& p : Catalogue)
        if (SameName(p.name, name))
            return p;
    return std::nullopt;
}

Crc::Crc(const CrcParameters& parameters, CrcPath path) {
    const int w = parameters.width;
    if (w < 8 || w > 64)
        throw std::invalid_argument("a CRC's width must lie from 8 to 64 bits");
    if (((parameters.poly | parameters.init | parameters.xorout) & ~Mask(w)) != 0)
        throw std::invalid_argument("a CRC's parameters must fit its width");
    auto engine = std::make_shared<Engine>(parameters, path);
    engine_ = std::move(engine);
    init_ = parameters.init;
    refout_ = parameters.refout;
    xorout_ = parameters.xorout;
    reset();
}

void Crc::add(const uint8_t* bytes, int64_t n) {
    if (n > 0)
        state_ = engine_->add(state_, bytes, n);
}

uint64_t Crc::value() const {
    const int w = engine_->width;
    const uint64_t reg = engine_->reflected ? Reflect(state_, w) : state_ >> (64 - w);
    return (refout_ ? Reflect(reg, w) : reg) ^ xorout_;
}

void Crc::reset() {
    const int w = engine_->width;
    state_ = engine_->reflected ? Reflect(init_, w) : init_ << (64 - w);
}

} // namespace tool
