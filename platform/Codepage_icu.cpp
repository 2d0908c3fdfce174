// Codepage_icu.cpp — the code page converter: which engine decodes each Windows code page ID, the
// per-thread converters, and decoding with byte offsets.
#include "Codepage.h"
#include "Codepage_p.h"

#include <QHash>
#include <algorithm>
#include <mutex>
#include <unicode/ucnv.h>
#include <unordered_map>

namespace platform {

namespace {

using detail::ByteTable;
using detail::PairTable;
using detail::ReplacementUnit;

enum class Engine { Icu, IconvBytes, IconvAccents, IconvPairs, BuiltIn };

struct Source {
    int id;
    Engine engine;
    const char* name;
};

// Only converters that decode a page the way Windows does are listed; an ID missing here is
// unsupported. "windows-<ID>" resolves for fewer than half of the IDs, so every name is explicit.
constexpr Source Sources[] = {
    {437, Engine::Icu, "windows-437"},
    {720, Engine::Icu, "windows-720"},
    {737, Engine::Icu, "windows-737"},
    {775, Engine::Icu, "windows-775"},
    {850, Engine::Icu, "ibm-850"},
    {852, Engine::Icu, "windows-852"},
    {855, Engine::Icu, "windows-855"},
    {857, Engine::Icu, "windows-857"},
    {858, Engine::Icu, "windows-858"},
    {860, Engine::Icu, "ibm-860"},
    {861, Engine::Icu, "windows-861"},
    {862, Engine::Icu, "windows-862"},
    {863, Engine::Icu, "ibm-863"},
    {864, Engine::Icu, "ibm-864"},
    {865, Engine::Icu, "ibm-865"},
    {866, Engine::Icu, "windows-866"},
    {869, Engine::Icu, "windows-869"},
    {870, Engine::Icu, "ibm-870"},
    {874, Engine::Icu, "windows-874"},
    {875, Engine::Icu, "ibm-875"},
    {932, Engine::Icu, "windows-932"},
    {936, Engine::Icu, "windows-936"},
    {949, Engine::Icu, "windows-949"},
    {950, Engine::Icu, "windows-950"},
    {1026, Engine::Icu, "ibm-1026"},
    {1125, Engine::Icu, "ibm-1125"},
    {1140, Engine::Icu, "ibm-1140"},
    {1141, Engine::Icu, "ibm-1141"},
    {1142, Engine::Icu, "ibm-1142"},
    {1143, Engine::Icu, "ibm-1143"},
    {1144, Engine::Icu, "ibm-1144"},
    {1145, Engine::Icu, "ibm-1145"},
    {1146, Engine::Icu, "ibm-1146"},
    {1147, Engine::Icu, "ibm-1147"},
    {1148, Engine::Icu, "ibm-1148"},
    {1149, Engine::Icu, "ibm-1149"},
    {1250, Engine::Icu, "windows-1250"},
    {1251, Engine::Icu, "windows-1251"},
    {1252, Engine::Icu, "windows-1252"},
    {1253, Engine::Icu, "windows-1253"},
    {1254, Engine::Icu, "windows-1254"},
    {1255, Engine::Icu, "windows-1255"},
    {1256, Engine::Icu, "windows-1256"},
    {1257, Engine::Icu, "windows-1257"},
    {1258, Engine::Icu, "windows-1258"},
    {1361, Engine::IconvPairs, "JOHAB"},
    {10000, Engine::Icu, "windows-10000"},
    {10006, Engine::Icu, "windows-10006"},
    {10007, Engine::Icu, "windows-10007"},
    {10010, Engine::BuiltIn, nullptr},
    {10017, Engine::Icu, "x-MacUkraine"},
    {10029, Engine::Icu, "windows-10029"},
    {10079, Engine::BuiltIn, nullptr},
    {10081, Engine::Icu, "windows-10081"},
    {10082, Engine::BuiltIn, nullptr},
    {20106, Engine::IconvBytes, "ISO646-DE"},
    {20107, Engine::IconvBytes, "ISO646-SE2"},
    {20108, Engine::IconvBytes, "ISO646-NO"},
    {20127, Engine::Icu, "windows-20127"},
    {20261, Engine::IconvAccents, "T.61-8BIT"},
    {20269, Engine::IconvAccents, "ISO_6937"},
    {20290, Engine::Icu, "ibm-290"},
    {20420, Engine::Icu, "ibm-420"},
    {20423, Engine::IconvBytes, "IBM423"},
    {20424, Engine::Icu, "ibm-424"},
    {20838, Engine::Icu, "ibm-838"},
    {20866, Engine::Icu, "windows-20866"},
    {20880, Engine::IconvBytes, "IBM880"},
    {20905, Engine::IconvBytes, "IBM905"},
    {20936, Engine::Icu, "GB2312"},
    {20949, Engine::Icu, "EUC-KR"},
    {21025, Engine::Icu, "ibm-1025"},
    {21866, Engine::Icu, "windows-21866"},
    {28591, Engine::Icu, "ISO-8859-1"},
    {28592, Engine::Icu, "windows-28592"},
    {28593, Engine::Icu, "windows-28593"},
    {28594, Engine::Icu, "windows-28594"},
    {28595, Engine::Icu, "windows-28595"},
    {28596, Engine::Icu, "windows-28596"},
    {28597, Engine::Icu, "windows-28597"},
    {28598, Engine::Icu, "windows-28598"},
    {28599, Engine::Icu, "windows-28599"},
    {28603, Engine::Icu, "windows-28603"},
    {28605, Engine::Icu, "windows-28605"},
    {38598, Engine::Icu, "ISO-8859-8-I"},
    // The three ISO-2022-JP IDs differ only when encoding; JIS7 decodes all their forms.
    {50220, Engine::Icu, "JIS7"},
    {50221, Engine::Icu, "JIS7"},
    {50222, Engine::Icu, "JIS7"},
    // Plain ISO-2022-KR decodes "\" as the won sign; version 1 keeps ASCII.
    {50225, Engine::Icu, "ibm-25546"},
    {50227, Engine::Icu, "ISO-2022-CN"},
    {50229, Engine::Icu, "ISO-2022-CN"},
    {51932, Engine::Icu, "EUC-JP"},
    {51936, Engine::Icu, "windows-936"},
    {51949, Engine::Icu, "windows-51949"},
    {51950, Engine::Icu, "EUC-TW"},
    {52936, Engine::Icu, "HZ"},
    {54936, Engine::Icu, "windows-54936"},
    {57002, Engine::Icu, "windows-57002"},
    {57003, Engine::Icu, "windows-57003"},
    {57004, Engine::Icu, "windows-57004"},
    {57005, Engine::Icu, "windows-57005"},
    {57006, Engine::Icu, "windows-57006"},
    {57007, Engine::Icu, "windows-57007"},
    {57008, Engine::Icu, "windows-57008"},
    {57009, Engine::Icu, "windows-57009"},
    {57010, Engine::Icu, "windows-57010"},
    {57011, Engine::Icu, "windows-57011"},
    {65000, Engine::Icu, "UTF-7"},
    {65001, Engine::Icu, "UTF-8"},
};

// Where a library's table differs from Windows in a character a hex viewer shows, a single byte is
// given its Windows meaning.
struct BytePatch {
    int id;
    unsigned char byte;
    char16_t unit;
};

constexpr BytePatch Patches[] = {
    // IBM tables give the micro sign as Greek mu.
    {437, 0xE6, 0x00B5},
    {860, 0xE6, 0x00B5},
    {861, 0xE6, 0x00B5},
    {862, 0xE6, 0x00B5},
    {863, 0xE6, 0x00B5},
    {865, 0xE6, 0x00B5},
    {852, 0xAA, 0x00AC},
    {864, 0xD7, 0xFEC1},
    {864, 0xD8, 0xFEC5},
    {864, 0xF1, 0x0651},
    {869, 0x88, 0x00B7},
    {869, 0xEF, 0x0384},
    // Bytes the library's 932 substitutes; Windows gives them a character.
    {932, 0x80, 0x0080},
    {932, 0xA0, 0xF8F0},
    {932, 0xFD, 0xF8F1},
    {932, 0xFE, 0xF8F2},
    {932, 0xFF, 0xF8F3},
    {1026, 0x9A, 0x00AA},
    {1125, 0xFA, 0x00B7},
    {1125, 0xFB, 0x221A},
    {1253, 0xAA, 0xF8F9},
    {1253, 0xD2, 0xF8FA},
    {1253, 0xFF, 0xF8FB},
    {1255, 0xCA, 0x05BA},
    {1257, 0xA1, 0xF8FC},
    {1257, 0xA5, 0xF8FD},
    {10000, 0xBD, 0x2126},
    {10081, 0xBD, 0x2126},
    // The library follows Apple's newer Mac Cyrillic table.
    {10007, 0xA2, 0x00A2},
    {10007, 0xB6, 0x2202},
    {10007, 0xFF, 0x00A4},
    {10017, 0xFF, 0x00A4},
    {21866, 0xAE, 0x045E},
    {21866, 0xBE, 0x040E},
    // Windows follows the 1987 edition of ISO 8859-7.
    {28597, 0xA1, 0x02BD},
    {28597, 0xA2, 0x02BC},
    {28598, 0xAF, 0x203E},
    {38598, 0xAF, 0x203E},
};

// The same for a byte pair of a double-byte page.
struct PairPatch {
    int id;
    unsigned char lead;
    unsigned char trail;
    char16_t unit;
};

constexpr PairPatch PairPatches[] = {
    // The library's EUC-KR lacks the two symbols added to KS X 1001 in 1998.
    {20949, 0xA2, 0xE6, 0x20AC},
    {20949, 0xA2, 0xE7, 0x00AE},
    // Johab codes of a final consonant alone; the C library knows only the letters that cannot
    // begin a syllable, and reads the others as a bad lead followed by an ASCII letter.
    {1361, 0x84, 0x41, 0x3000},
    {1361, 0x84, 0x42, 0x3131},
    {1361, 0x84, 0x43, 0x3132},
    {1361, 0x84, 0x45, 0x3134},
    {1361, 0x84, 0x48, 0x3137},
    {1361, 0x84, 0x49, 0x3139},
    {1361, 0x84, 0x51, 0x3141},
    {1361, 0x84, 0x53, 0x3142},
    {1361, 0x84, 0x55, 0x3145},
    {1361, 0x84, 0x56, 0x3146},
    {1361, 0x84, 0x57, 0x3147},
    {1361, 0x84, 0x58, 0x3148},
    {1361, 0x84, 0x59, 0x314A},
    {1361, 0x84, 0x5A, 0x314B},
    {1361, 0x84, 0x5B, 0x314C},
    {1361, 0x84, 0x5C, 0x314D},
    {1361, 0x84, 0x5D, 0x314E},
};

constexpr int GurmukhiIscii = 57011;
constexpr int Iso2022Korean = 50225;

// After every invalid sequence the library's ISO-2022-KR scans its input ahead for the next escape,
// to the end when there is none, so that text after a stray shift-out costs the square of its
// length. That page is decoded in pieces of at most this many bytes, the converter's state carried
// from one piece to the next.
constexpr qsizetype MaxPieceBytes = 512;

// Windows gives the C1 control of the same value to bytes these pages leave unassigned.
constexpr int C1IdentityPages[] = {720, 869};
// Windows' 7-bit pages read bytes 80..FF with bit 7 stripped.
constexpr int SevenBitPages[] = {20106, 20107, 20108, 20127};

const Source* FindSource(int id) {
    const auto it = std::lower_bound(std::begin(Sources), std::end(Sources), id,
                                     [](const Source& s, int v) { return s.id < v; });
    return it != std::end(Sources) && it->id == id ? it : nullptr;
}

bool Contains(const int* begin, const int* end, int id) {
    return std::find(begin, end, id) != end;
}

// Everything about a page that does not change: shared by all threads once built.
struct Page {
    enum Kind { Bytes, Pairs, Stream };
    int id = 0;
    Kind kind = Bytes;
    const char* icuName = nullptr;
    ByteTable bytes{};
    std::unique_ptr<PairTable> pairs;
    // Stream pages: a unit that came from byte b where isFixupByte[b] becomes fixupUnit[b].
    bool hasFixups = false;
    std::array<bool, 256> isFixupByte{};
    std::array<char16_t, 256> fixupUnit{};
    std::vector<PairPatch> pairFixups; // their leads are marked in isFixupByte
    bool holdsConsonants = false;      // see DecodeHeldConsonants
    bool decodesInPieces = false;      // see MaxPieceBytes
};

struct IcuCloser {
    void operator()(UConverter* cnv) const { ucnv_close(cnv); }
};
using IcuConverter = std::unique_ptr<UConverter, IcuCloser>;

IcuConverter OpenIcu(const char* name) {
    UErrorCode ec = U_ZERO_ERROR;
    IcuConverter cnv(ucnv_open(name, &ec));
    // Many aliases open with an "ambiguous alias" warning; only a failure counts.
    if (U_FAILURE(ec))
        return nullptr;
    return cnv;
}

bool IsSingleByte(UConverter* cnv) {
    const UConverterType type = ucnv_getType(cnv);
    return type == UCNV_SBCS || type == UCNV_LATIN_1 || type == UCNV_US_ASCII;
}

bool IcuByteTable(UConverter* cnv, ByteTable& table) {
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        UChar unit[4];
        UErrorCode ec = U_ZERO_ERROR;
        ucnv_reset(cnv);
        const int32_t n = ucnv_toUChars(cnv, unit, 4, &byte, 1, &ec);
        if (U_FAILURE(ec) || n != 1)
            return false;
        table[b] = unit[0];
    }
    return true;
}

void ApplyWindowsMeaning(int id, ByteTable& table) {
    // IBM's PC tables exchange 1A, 1C and 7F; Windows decodes them to themselves.
    if (table[0x1A] == 0x1C && table[0x1C] == 0x7F && table[0x7F] == 0x1A) {
        table[0x1A] = 0x1A;
        table[0x1C] = 0x1C;
        table[0x7F] = 0x7F;
    }
    if (Contains(std::begin(C1IdentityPages), std::end(C1IdentityPages), id)) {
        for (int b = 0x80; b < 0xA0; ++b) {
            if (table[b] == ReplacementUnit)
                table[b] = static_cast<char16_t>(b);
        }
    }
    if (Contains(std::begin(SevenBitPages), std::end(SevenBitPages), id)) {
        for (int b = 0x80; b < 0x100; ++b)
            table[b] = table[b & 0x7F];
    }
    // Windows marks the bytes 875 lacks with SUB, not with the replacement character.
    if (id == 875)
        std::replace(table.begin(), table.end(), ReplacementUnit, char16_t(0x1A));
    for (const BytePatch& patch : Patches) {
        if (patch.id == id)
            table[patch.byte] = patch.unit;
    }
}

std::unique_ptr<Page> BuildPage(int id) {
    const Source* source = FindSource(id);
    if (!source)
        return nullptr;
    auto page = std::make_unique<Page>();
    page->id = id;
    switch (source->engine) {
    case Engine::Icu: {
        IcuConverter cnv = OpenIcu(source->name);
        if (!cnv)
            return nullptr;
        page->icuName = source->name;
        if (IsSingleByte(cnv.get()) && IcuByteTable(cnv.get(), page->bytes)) {
            page->kind = Page::Bytes;
            ApplyWindowsMeaning(id, page->bytes);
            return page;
        }
        page->kind = Page::Stream;
        page->holdsConsonants = id == GurmukhiIscii;
        page->decodesInPieces = id == Iso2022Korean;
        std::vector<BytePatch> fixups;
        for (const BytePatch& patch : Patches) {
            if (patch.id == id)
                fixups.push_back(patch);
        }
        // The library's 932 exchanges 1A, 1C and 7F like its PC tables; none is ever a trail byte.
        if (id == 932) {
            for (unsigned char b : {0x1A, 0x1C, 0x7F})
                fixups.push_back({id, b, static_cast<char16_t>(b)});
        }
        for (const BytePatch& fix : fixups) {
            page->hasFixups = true;
            page->isFixupByte[fix.byte] = true;
            page->fixupUnit[fix.byte] = fix.unit;
        }
        for (const PairPatch& fix : PairPatches) {
            if (fix.id != id)
                continue;
            page->hasFixups = true;
            if (!page->isFixupByte[fix.lead]) {
                // Marks a byte that is fixed only as the lead of a pair.
                page->isFixupByte[fix.lead] = true;
                page->fixupUnit[fix.lead] = ReplacementUnit;
            }
            page->pairFixups.push_back(fix);
        }
        return page;
    }
    case Engine::IconvBytes:
        if (!detail::IconvByteTable(source->name, page->bytes))
            return nullptr;
        ApplyWindowsMeaning(id, page->bytes);
        return page;
    case Engine::IconvAccents:
        if (!detail::IconvAccentPrefixTable(source->name, page->bytes))
            return nullptr;
        return page;
    case Engine::IconvPairs:
        page->kind = Page::Pairs;
        page->pairs = detail::IconvPairTable(source->name);
        if (!page->pairs)
            return nullptr;
        for (const PairPatch& fix : PairPatches) {
            if (fix.id == id)
                page->pairs->units[(fix.lead - 0x80u) * 256u + fix.trail] = fix.unit;
        }
        return page;
    case Engine::BuiltIn: {
        const char16_t* table = detail::BuiltInByteTable(id);
        if (!table)
            return nullptr;
        std::copy(table, table + 256, page->bytes.begin());
        return page;
    }
    }
    return nullptr;
}

// Pages are built on first use and kept for the life of the program.
const Page* FindPage(int id) {
    static std::mutex mutex;
    static std::unordered_map<int, std::unique_ptr<Page>> pages;
    const std::lock_guard lock(mutex);
    if (const auto it = pages.find(id); it != pages.end())
        return it->second.get();
    // A page that cannot be built is kept as null, so that it is not tried again.
    return pages.emplace(id, BuildPage(id)).first->second.get();
}

thread_local DecodeWork threadWork;
thread_local int64_t stopsInCall = 0;

// The library's substitution, counting the invalid sequences it is called for.
void CountingSubstitute(const void* context, UConverterToUnicodeArgs* args, const char* units,
                        int32_t length, UConverterCallbackReason reason, UErrorCode* ec) {
    if (reason == UCNV_UNASSIGNED || reason == UCNV_ILLEGAL || reason == UCNV_IRREGULAR)
        ++stopsInCall;
    UCNV_TO_U_CALLBACK_SUBSTITUTE(context, args, units, length, reason, ec);
}

// A converter keeps state while it works, so every thread has its own, opened once per page.
struct ThreadPages {
    int lastId = -1;
    const Page* lastPage = nullptr;
    UConverter* lastConverter = nullptr;
    std::unordered_map<int, IcuConverter> converters;
    std::vector<int32_t> offsets;
};

thread_local ThreadPages threadPages;

struct Resolved {
    const Page* page = nullptr;
    UConverter* converter = nullptr;
};

Resolved Resolve(int codepage) {
    ThreadPages& tp = threadPages;
    const int id = ResolveCodepage(codepage);
    if (id != tp.lastId) {
        const Page* page = FindPage(id);
        UConverter* converter = nullptr;
        if (page && page->kind == Page::Stream) {
            IcuConverter& slot = tp.converters[id];
            if (!slot) {
                slot = OpenIcu(page->icuName);
                UErrorCode ec = U_ZERO_ERROR;
                if (slot)
                    ucnv_setToUCallBack(slot.get(), CountingSubstitute, nullptr, nullptr, nullptr,
                                        &ec);
            }
            converter = slot.get();
            if (!converter)
                page = nullptr;
        }
        tp.lastId = id;
        tp.lastPage = page;
        tp.lastConverter = converter;
    }
    return {tp.lastPage, tp.lastConverter};
}

char16_t* Units(QString& s) {
    return reinterpret_cast<char16_t*>(s.data());
}

void DecodeBytes(const ByteTable& table, QByteArrayView bytes, QString& out) {
    out.resize(bytes.size());
    char16_t* target = Units(out);
    const auto* source = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        target[i] = table[source[i]];
}

void DecodePairs(const PairTable& pairs, QByteArrayView bytes, QString& out,
                 std::vector<int64_t>* offsets) {
    out.resize(bytes.size());
    char16_t* target = Units(out);
    const auto* source = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++n) {
        if (offsets)
            offsets->push_back(i);
        const unsigned char lead = source[i];
        if (lead < 0x80) {
            target[n] = lead;
            ++i;
        } else if (i + 1 < size && pairs.at(lead, source[i + 1]) != 0) {
            target[n] = pairs.at(lead, source[i + 1]);
            i += 2;
        } else {
            // A bad pair costs only its lead byte; the next byte is read again on its own.
            target[n] = ReplacementUnit;
            ++i;
        }
    }
    out.resize(n);
}

// The Windows meaning of the character the library decoded from the bytes at from.
char16_t FixedUnit(const Page& page, const unsigned char* from, const unsigned char* end,
                   char16_t decoded) {
    for (const PairPatch& fix : page.pairFixups) {
        // The library substitutes the unassigned pair as a whole.
        if (from + 1 < end && from[0] == fix.lead && from[1] == fix.trail &&
            decoded == ReplacementUnit)
            return fix.unit;
    }
    return page.fixupUnit[from[0]] == ReplacementUnit ? decoded : page.fixupUnit[from[0]];
}

// Where the piece that starts at begin ends: after the last byte of its second half that ends a
// sequence in every state of the page (a control or space, but not ESC, which starts one), so
// that no character or invalid sequence is split; at the limit when there is none.
qsizetype PieceEnd(const char* bytes, qsizetype begin, qsizetype size) {
    const qsizetype limit = begin + MaxPieceBytes;
    if (limit >= size)
        return size;
    for (qsizetype i = limit; i > begin + MaxPieceBytes / 2; --i) {
        const auto b = static_cast<unsigned char>(bytes[i - 1]);
        if (b <= 0x20 && b != 0x1B)
            return i;
    }
    return limit;
}

// Converts the bytes into [begin, limit) from the initial state, one piece after another for a
// page that needs it; units, when given, receives every unit's byte offset (possibly -1). Returns
// the end of the written units.
UChar* ConvertPieces(const Page& page, UConverter* cnv, QByteArrayView bytes, UChar* begin,
                     UChar* limit, int32_t* units, UErrorCode& ec) {
    UChar* target = begin;
    ucnv_reset(cnv);
    qsizetype from = 0;
    do {
        const qsizetype end =
            page.decodesInPieces ? PieceEnd(bytes.data(), from, bytes.size()) : bytes.size();
        // Bytes of a character begun in the previous piece that the converter still holds.
        const int32_t pending = from > 0 ? ucnv_toUCountPending(cnv, &ec) : 0;
        UChar* const pieceStart = target;
        const char* source = bytes.data() + from;
        stopsInCall = 0;
        ucnv_toUnicode(cnv, &target, limit, &source, bytes.data() + end,
                       units ? units + (pieceStart - begin) : nullptr,
                       /*flush=*/end == bytes.size(), &ec);
        threadWork.bytes += end - from;
        threadWork.reread += stopsInCall * (end - from);
        if (U_FAILURE(ec))
            return target;
        if (units && from > 0) {
            for (int32_t* u = units + (pieceStart - begin); u < units + (target - begin); ++u)
                *u =
                    *u < 0 ? static_cast<int32_t>(from) - pending : *u + static_cast<int32_t>(from);
        }
        from = end;
    } while (from < bytes.size());
    return target;
}

bool DecodeStream(const Page& page, UConverter* cnv, QByteArrayView bytes, QString& out,
                  std::vector<int64_t>* offsets) {
    // Offsets cost the converter its fast path; fixups need them only when such a byte occurs.
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
    const bool needsFixups =
        page.hasFixups && std::any_of(raw, raw + bytes.size(),
                                      [&page](unsigned char b) { return page.isFixupByte[b]; });
    const bool wantOffsets = offsets || needsFixups;
    std::vector<int32_t>& units = threadPages.offsets;
    // Two units per byte cover every page (a supplementary character takes at least two bytes);
    // the loop only guards against a converter that proves otherwise.
    qsizetype capacity = bytes.size() * 2 + 16;
    for (;;) {
        out.resize(capacity);
        if (wantOffsets && units.size() < static_cast<size_t>(capacity))
            units.resize(capacity);
        UChar* begin = Units(out);
        UErrorCode ec = U_ZERO_ERROR;
        UChar* target = ConvertPieces(page, cnv, bytes, begin, begin + capacity,
                                      wantOffsets ? units.data() : nullptr, ec);
        if (ec == U_BUFFER_OVERFLOW_ERROR) {
            capacity *= 2;
            continue;
        }
        if (U_FAILURE(ec)) {
            out.clear();
            return false;
        }
        const qsizetype n = target - begin;
        out.resize(n);
        if (needsFixups) {
            char16_t* text = Units(out);
            for (qsizetype i = 0; i < n; ++i) {
                if (units[i] < 0)
                    continue;
                const unsigned char b = raw[units[i]];
                if (page.isFixupByte[b])
                    text[i] = FixedUnit(page, raw + units[i], raw + bytes.size(), text[i]);
            }
        }
        if (offsets)
            offsets->assign(units.begin(), units.begin() + n);
        return true;
    }
}

// The library's Gurmukhi keeps back a consonant followed by a halant until the next byte, to write
// a doubled consonant with the addak. At the end of the input the consonant is lost, elsewhere it
// comes out with the offset of the byte that released it, after the halant's. A space after the
// input releases it, and a consonant out of order is given the byte before its halant.
bool DecodeHeldConsonants(const Page& page, UConverter* cnv, QByteArrayView bytes, QString& out,
                          std::vector<int64_t>* offsets) {
    QByteArray padded(bytes.data(), bytes.size());
    padded.append(' ');
    std::vector<int64_t> at;
    if (!DecodeStream(page, cnv, padded, out, &at))
        return false;
    const int64_t size = bytes.size();
    if (!at.empty() && at.back() == size && out.back() == u' ') {
        out.chop(1);
        at.pop_back();
    }
    for (std::size_t i = 0; i + 1 < at.size(); ++i) {
        if (at[i] > at[i + 1])
            at[i] = std::max<int64_t>(at[i + 1] - 1, 0);
    }
    int64_t floor = 0;
    for (int64_t& offset : at) {
        offset = std::clamp<int64_t>(offset, floor, std::max<int64_t>(size - 1, 0));
        floor = offset;
    }
    if (offsets)
        *offsets = std::move(at);
    return true;
}

} // namespace

int ResolveCodepage(int codepage) {
    switch (codepage) {
    case CP_ACP:
        return SystemCodepages().ansi;
    case CP_OEMCP:
        return SystemCodepages().oem;
    case CP_MACCP:
        return SystemCodepages().mac;
    default:
        return codepage;
    }
}

bool IsCodepageAvailable(int codepage) {
    return Resolve(codepage).page != nullptr;
}

bool DecodeCodepage(int codepage, QByteArrayView bytes, QString& out,
                    std::vector<int64_t>* offsets) {
    out.clear();
    if (offsets)
        offsets->clear();
    const Resolved r = Resolve(codepage);
    if (!r.page)
        return false;
    switch (r.page->kind) {
    case Page::Bytes:
        DecodeBytes(r.page->bytes, bytes, out);
        if (offsets) {
            offsets->resize(bytes.size());
            for (qsizetype i = 0; i < bytes.size(); ++i)
                (*offsets)[i] = i;
        }
        return true;
    case Page::Pairs:
        DecodePairs(*r.page->pairs, bytes, out, offsets);
        return true;
    case Page::Stream: {
        const bool ok = r.page->holdsConsonants
                            ? DecodeHeldConsonants(*r.page, r.converter, bytes, out, offsets)
                            : DecodeStream(*r.page, r.converter, bytes, out, offsets);
        // A stateful converter can give a unit no source byte (-1) or the byte of a later one;
        // such a unit belongs to the byte of the unit before it, so offsets never go backwards.
        if (ok && offsets) {
            int64_t floor = 0;
            const int64_t last = std::max<int64_t>(bytes.size() - 1, 0);
            for (int64_t& offset : *offsets) {
                offset = std::clamp<int64_t>(offset, floor, last);
                floor = offset;
            }
        }
        return ok;
    }
    }
    return false;
}

DecodeWork ThreadDecodeWork() {
    return threadWork;
}

int64_t DecodedLength(int codepage, QByteArrayView bytes) {
    const Resolved r = Resolve(codepage);
    if (!r.page || bytes.isEmpty())
        return 0;
    if (r.page->kind == Page::Bytes)
        return bytes.size();
    thread_local QString scratch;
    DecodeCodepage(codepage, bytes, scratch);
    return scratch.size();
}

QByteArray EncodeCodepage(int codepage, QStringView text) {
    const Resolved r = Resolve(codepage);
    if (!r.page || text.isEmpty())
        return {};
    if (r.page->kind == Page::Stream) {
        UConverter* cnv = r.converter;
        UErrorCode ec = U_ZERO_ERROR;
        ucnv_resetFromUnicode(cnv);
        ucnv_setSubstString(cnv, u"?", 1, &ec);
        ec = U_ZERO_ERROR;
        const auto* source = reinterpret_cast<const UChar*>(text.utf16());
        const int32_t length = static_cast<int32_t>(text.size());
        QByteArray out(UCNV_GET_MAX_BYTES_FOR_STRING(length, ucnv_getMaxCharSize(cnv)),
                       Qt::Uninitialized);
        const int32_t n =
            ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), source, length, &ec);
        if (U_FAILURE(ec))
            return {};
        out.resize(n);
        return out;
    }
    // Table pages encode by looking the character up; the first byte that decodes to it wins.
    QHash<char16_t, char> reverse;
    QByteArray out;
    out.reserve(text.size());
    if (r.page->kind == Page::Bytes) {
        for (int b = 255; b >= 0; --b)
            reverse.insert(r.page->bytes[b], static_cast<char>(b));
        for (QChar c : text)
            out.append(reverse.value(c.unicode(), '?'));
        return out;
    }
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            out.append(static_cast<char>(c.unicode()));
            continue;
        }
        const auto& units = r.page->pairs->units;
        const auto it = std::find(units.begin(), units.end(), c.unicode());
        if (it == units.end()) {
            out.append('?');
            continue;
        }
        const auto index = it - units.begin();
        out.append(static_cast<char>(0x80 + index / 256));
        out.append(static_cast<char>(index % 256));
    }
    return out;
}

QByteArray CodepageCharsetName(int codepage) {
    const int id = ResolveCodepage(codepage);
    if (id == 874 || (id >= 1250 && id <= 1258))
        return "windows-" + QByteArray::number(id);
    const Source* source = FindSource(id);
    if (source && source->engine == Engine::Icu) {
        if (IcuConverter cnv = OpenIcu(source->name)) {
            UErrorCode ec = U_ZERO_ERROR;
            const char* canonical = ucnv_getName(cnv.get(), &ec);
            for (const char* standard : {"MIME", "IANA"}) {
                ec = U_ZERO_ERROR;
                const char* name = ucnv_getStandardName(canonical, standard, &ec);
                if (U_SUCCESS(ec) && name)
                    return name;
            }
        }
    }
    return "cp" + QByteArray::number(id);
}

} // namespace platform
