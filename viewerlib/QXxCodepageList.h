// QXxCodepageList.h — the fixed list of selectable code pages, the support test sample and the
// Mac-to-ANSI byte table.
#pragma once

#include "QXBinHexExport.h"

#include <QByteArrayView>
#include <array>
#include <cstdint>

// One row of the code page list: the submenu it stands in (empty at the top level), its caption,
// and the Windows code page ID (0, 1, 2 select the current ANSI, OEM and Mac page).
struct TQXCodepageRec {
    const char* Group;
    const char* Name;
    int32_t ID;
};

inline constexpr int CodepageCount = 132;

// In menu order; rows of one group stand together. Some rows repeat others under another group
// (28 and 67, 29 and 68) or exactly (60 and 63); each is a row of its own.
extern QXBINHEX_EXPORT const std::array<TQXCodepageRec, CodepageCount> CodepageList;

// A code page is supported when the converter turns these bytes into at least one character.
inline constexpr QByteArrayView SupportTestText("pppp", 4);

// Entry k replaces byte 0x80 + k of Mac text so that it reads as ANSI text; a permutation of
// 0x80..0xFF.
extern QXBINHEX_EXPORT const std::array<unsigned char, 128> MacToAnsiTable;
