// QXxCodepageList.cpp — the fixed list of selectable code pages and the Mac-to-ANSI byte table.
#include "QXxCodepageList.h"

const std::array<TQXCodepageRec, CodepageCount> CodepageList = {{
    {"", "ANSI (Windows)", 0},                                          // 0
    {"", "OEM (DOS)", 1},                                               // 1
    {"", "Mac", 2},                                                     // 2
    {"Central European", "ANSI (Windows-1250)", 1250},                  // 3
    {"Central European", "IBM EBCDIC (Multilingual Latin-2)", 870},     // 4
    {"Central European", "ISO-8859-2", 28592},                          // 5
    {"Central European", "Mac", 10029},                                 // 6
    {"Central European", "Mac (Croatian)", 10082},                      // 7
    {"Central European", "Mac (Romanian)", 10010},                      // 8
    {"Central European", "OEM (IBM852)", 852},                          // 9
    {"Western European", "ANSI (Windows-1252)", 1252},                  // 10
    {"Western European", "IA5 German (7-bit)", 20106},                  // 11
    {"Western European", "IA5 Norwegian (7-bit)", 20108},               // 12
    {"Western European", "IA5 Swedish (7-bit)", 20107},                 // 13
    {"Western European", "IA5 IRV International Alphabet No.5", 20105}, // 14
    {"Western European", "IBM EBCDIC (Denmark-Norway)", 1142},          // 15
    {"Western European", "IBM EBCDIC (Finland-Sweden)", 1143},          // 16
    {"Western European", "IBM EBCDIC (France)", 1147},                  // 17
    {"Western European", "IBM EBCDIC (Germany)", 1141},                 // 18
    {"Western European", "IBM EBCDIC (Icelandic)", 1149},               // 19
    {"Western European", "IBM EBCDIC (International)", 1148},           // 20
    {"Western European", "IBM EBCDIC (Italy)", 1144},                   // 21
    {"Western European", "IBM EBCDIC (Spain)", 1145},                   // 22
    {"Western European", "IBM EBCDIC (UK)", 1146},                      // 23
    {"Western European", "IBM EBCDIC (US-Canada)", 1140},               // 24
    {"Western European", "IBM EBCDIC (Latin-1/Open System)", 20924},    // 25
    {"Western European", "ISO-6937 (Non-Spacing Accent)", 20269},       // 26
    {"Western European", "ISO-8859-1 (Latin-1)", 28591},                // 27
    {"Western European", "ISO-8859-3 (Latin-3)", 28593},                // 28
    {"Western European", "ISO-8859-9 (Latin-5)", 28599},                // 29
    {"Western European", "ISO-8859-15 (Latin-9)", 28605},               // 30
    {"Western European", "Mac (Icelandic)", 10079},                     // 31
    {"Western European", "Mac (Roman)", 10000},                         // 32
    {"Western European", "OEM (French Canadian)", 863},                 // 33
    {"Western European", "OEM (Icelandic)", 861},                       // 34
    {"Western European", "OEM (Nordic)", 865},                          // 35
    {"Western European", "OEM (Multilingual Latin-1)", 858},            // 36
    {"Western European", "OEM (Portuguese)", 860},                      // 37
    {"Western European", "OEM (United States)", 437},                   // 38
    {"Western European", "T.61", 20261},                                // 39
    {"Western European", "US-ASCII (7-bit)", 20127},                    // 40
    {"Baltic", "ANSI (Windows-1257)", 1257},                            // 41
    {"Baltic", "ISO-8859-4", 28594},                                    // 42
    {"Baltic", "ISO-8859-13 (Lithuanian)", 28603},                      // 43
    {"Baltic", "OEM (IBM775)", 775},                                    // 44
    {"Cyrillic", "ANSI (Windows-1251)", 1251},                          // 45
    {"Cyrillic", "IBM EBCDIC (Russian)", 20880},                        // 46
    {"Cyrillic", "IBM EBCDIC (Serbian-Bulgarian)", 21025},              // 47
    {"Cyrillic", "ISO-8859-5", 28595},                                  // 48
    {"Cyrillic", "KOI8-R", 20866},                                      // 49
    {"Cyrillic", "KOI8-U", 21866},                                      // 50
    {"Cyrillic", "Mac", 10007},                                         // 51
    {"Cyrillic", "Mac (Ukrainian)", 10017},                             // 52
    {"Cyrillic", "OEM (Russian)", 866},                                 // 53
    {"Cyrillic", "OEM (primarily Russian)", 855},                       // 54
    {"Cyrillic", "RUSCII (IBM-1125)", 1125},                            // 55
    {"Greek", "ANSI (Windows-1253)", 1253},                             // 56
    {"Greek", "IBM EBCDIC (IBM423)", 20423},                            // 57
    {"Greek", "IBM EBCDIC (Modern)", 875},                              // 58
    {"Greek", "ISO-8859-7", 28597},                                     // 59
    {"Greek", "Mac", 10006},                                            // 60
    {"Greek", "OEM (IBM737)", 737},                                     // 61
    {"Greek", "OEM (Modern)", 869},                                     // 62
    {"Greek", "Mac", 10006},                                            // 63
    {"Turkey", "ANSI (Windows-1254)", 1254},                            // 64
    {"Turkey", "IBM EBCDIC (Latin-5)", 1026},                           // 65
    {"Turkey", "IBM EBCDIC (IBM905)", 20905},                           // 66
    {"Turkey", "ISO-8859-3 (Latin-3)", 28593},                          // 67
    {"Turkey", "ISO-8859-9 (Latin-5)", 28599},                          // 68
    {"Turkey", "Mac", 10081},                                           // 69
    {"Turkey", "OEM (IBM857)", 857},                                    // 70
    {"Indian", "ISCII Devanagari", 57002},                              // 71
    {"Indian", "ISCII Bengali", 57003},                                 // 72
    {"Indian", "ISCII Tamil", 57004},                                   // 73
    {"Indian", "ISCII Telugu", 57005},                                  // 74
    {"Indian", "ISCII Assamese", 57006},                                // 75
    {"Indian", "ISCII Oriya", 57007},                                   // 76
    {"Indian", "ISCII Kannada", 57008},                                 // 77
    {"Indian", "ISCII Malayalam", 57009},                               // 78
    {"Indian", "ISCII Gujarati", 57010},                                // 79
    {"Indian", "ISCII Punjabi", 57011},                                 // 80
    {"Arabic", "ANSI (Windows-1256)", 1256},                            // 81
    {"Arabic", "ASMO 708", 708},                                        // 82
    {"Arabic", "ASMO 449+, BCON V4", 709},                              // 83
    {"Arabic", "IBM EBCDIC (IBM420)", 20420},                           // 84
    {"Arabic", "ISO-8859-6", 28596},                                    // 85
    {"Arabic", "Mac", 10004},                                           // 86
    {"Arabic", "OEM (IBM864)", 864},                                    // 87
    {"Arabic", "Transparent ASMO (DOS-720)", 720},                      // 88
    {"Hebrew", "ANSI (Windows-1255)", 1255},                            // 89
    {"Hebrew", "IBM EBCDIC (IBM424)", 20424},                           // 90
    {"Hebrew", "ISO-8859-8 (Logical Ordering)", 38598},                 // 91
    {"Hebrew", "ISO-8859-8 (Visual Ordering)", 28598},                  // 92
    {"Hebrew", "Mac", 10005},                                           // 93
    {"Hebrew", "OEM (DOS-862)", 862},                                   // 94
    {"Chinese Simplified", "EUC", 51936},                               // 95
    {"Chinese Simplified", "GB18030", 54936},                           // 96
    {"Chinese Simplified", "GB2312", 936},                              // 97
    {"Chinese Simplified", "GB2312-80", 20936},                         // 98
    {"Chinese Simplified", "HZ", 52936},                                // 99
    {"Chinese Simplified", "ISO-2022", 50227},                          // 100
    {"Chinese Simplified", "Mac", 10008},                               // 101
    {"Chinese Traditional", "Big5", 950},                               // 102
    {"Chinese Traditional", "CNS (Taiwan)", 20000},                     // 103
    {"Chinese Traditional", "Eten", 20002},                             // 104
    {"Chinese Traditional", "EUC", 51950},                              // 105
    {"Chinese Traditional", "IBM5550 (Taiwan)", 20003},                 // 106
    {"Chinese Traditional", "ISO-2022", 50229},                         // 107
    {"Chinese Traditional", "Mac", 10002},                              // 108
    {"Chinese Traditional", "TCA (Taiwan)", 20001},                     // 109
    {"Chinese Traditional", "TeleText (Taiwan)", 20004},                // 110
    {"Chinese Traditional", "Wang (Taiwan)", 20005},                    // 111
    {"Japanese", "ANSI/OEM (Shift-JIS)", 932},                          // 112
    {"Japanese", "EUC", 51932},                                         // 113
    {"Japanese", "IBM EBCDIC (Katakana Extended)", 20290},              // 114
    {"Japanese", "ISO-2022 (no halfwidth Katakana)", 50220},            // 115
    {"Japanese", "ISO-2022 (halfwidth Katakana)", 50221},               // 116
    {"Japanese", "ISO-2022 (JIS X 0201-1989)", 50222},                  // 117
    {"Japanese", "JIS X 0208-1990 && 0121-1990", 20932},                // 118
    {"Japanese", "Mac", 10001},                                         // 119
    {"Korean", "ANSI/OEM (Unified Hangul Code)", 949},                  // 120
    {"Korean", "EUC", 51949},                                           // 121
    {"Korean", "IBM EBCDIC (Korean Extended)", 20833},                  // 122
    {"Korean", "ISO-2022", 50225},                                      // 123
    {"Korean", "Johab", 1361},                                          // 124
    {"Korean", "Mac", 10003},                                           // 125
    {"Korean", "Wansung", 20949},                                       // 126
    {"Thai", "ANSI (Windows-874)", 874},                                // 127
    {"Thai", "IBM EBCDIC", 20838},                                      // 128
    {"Vietnamese", "ANSI (Windows-1258)", 1258},                        // 129
    {"Unicode", "Unicode (UTF-8)", 65001},                              // 130
    {"Unicode", "Unicode (UTF-7)", 65000},                              // 131
}};

const std::array<unsigned char, 128> MacToAnsiTable = {
    0xC4, 0xC5, 0xC7, 0xC9, 0xD1, 0xD6, 0xDC, 0xE1, 0xE0, 0xE2, 0xE4, 0xE3, 0xE5, 0xE7, 0xE9, 0xE8,
    0xEA, 0xEB, 0xED, 0xEC, 0xEE, 0xEF, 0xF1, 0xF3, 0xF2, 0xF4, 0xF6, 0xF5, 0xFA, 0xF9, 0xFB, 0xFC,
    0xA0, 0xB0, 0xA2, 0xA3, 0xA7, 0xB4, 0xB6, 0xDF, 0xAE, 0xA9, 0x8E, 0x82, 0x8C, 0xAD, 0xC6, 0xD8,
    0x8D, 0xB1, 0xB2, 0xB3, 0xA5, 0xB5, 0xA6, 0xB7, 0xB8, 0xB9, 0xBC, 0xAA, 0xBA, 0xBD, 0xE6, 0xF8,
    0xBF, 0xA1, 0xAC, 0x92, 0x80, 0x81, 0xA8, 0xAB, 0xBB, 0x83, 0xBE, 0xC0, 0xC3, 0xD5, 0x91, 0x93,
    0xD0, 0x84, 0x96, 0x94, 0x95, 0x90, 0xF7, 0xD7, 0xFF, 0xDD, 0x98, 0x97, 0x86, 0x99, 0xDE, 0xA4,
    0x88, 0x87, 0x89, 0x8B, 0x8A, 0xC2, 0xCA, 0xC1, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xD3, 0xD4,
    0xF0, 0xD2, 0xDA, 0xDB, 0xD9, 0x9B, 0x9A, 0x85, 0x8F, 0x9D, 0x9C, 0x9E, 0x9F, 0xFD, 0xFE, 0xAF,
};
