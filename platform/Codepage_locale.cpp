// Codepage_locale.cpp — the ANSI, OEM and Mac code pages Windows would choose for a POSIX locale.
#include "Codepage.h"

#include <cstdlib>

namespace platform {

namespace {

struct LanguagePages {
    const char* languages; // space-separated language codes
    LocaleCodepages pages;
};

constexpr LocaleCodepages Western = {1252, 850, 10000};
constexpr LocaleCodepages Fallback = {1252, 437, 10000};

constexpr LanguagePages Languages[] = {
    {"en sw ha yo ig fil", Fallback},
    {"de fr es it pt nl da nb nn no sv fi ca gl ga cy br af id ms lb eu oc fy gd rm wa", Western},
    {"is fo", {1252, 850, 10079}},
    {"ru be bg mk ky tt mn tg ba", {1251, 866, 10007}},
    {"uk", {1251, 866, 10017}},
    {"sr", {1251, 855, 10007}},
    {"hr bs", {1250, 852, 10082}},
    {"pl cs sk hu sl ro sq tk", {1250, 852, 10029}},
    {"el", {1253, 737, 10006}},
    {"tr az", {1254, 857, 10081}},
    {"uz", {1254, 857, 10029}},
    {"he iw", {1255, 862, 10005}},
    {"ar fa ur ug sd", {1256, 720, 10004}},
    {"lt lv et", {1257, 775, 10029}},
    // Windows' Mac Thai page 10021 has no converter anywhere; the ANSI page stands in.
    {"th", {874, 874, 874}},
    {"vi", {1258, 1258, 10000}},
    {"ja", {932, 932, 10001}},
    {"zh", {936, 936, 10008}},
    {"ko", {949, 949, 10003}},
};

// English regions that keep the US OEM page; every other English region uses 850.
constexpr const char* UsEnglishRegions = "US ZA IN PH SG MY ZW";

bool InList(std::string_view list, std::string_view word) {
    while (!list.empty()) {
        const auto space = list.find(' ');
        if (list.substr(0, space) == word)
            return true;
        list = space == std::string_view::npos ? std::string_view() : list.substr(space + 1);
    }
    return false;
}

} // namespace

LocaleCodepages CodepagesForLocale(std::string_view locale) {
    // language[_REGION][.codeset][@modifier]
    std::string_view modifier;
    if (const auto at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
    }
    if (const auto dot = locale.find('.'); dot != std::string_view::npos)
        locale = locale.substr(0, dot);
    std::string_view language = locale;
    std::string_view region;
    if (const auto bar = locale.find('_'); bar != std::string_view::npos) {
        language = locale.substr(0, bar);
        region = locale.substr(bar + 1);
    }
    if (language.empty() || language == "C" || language == "POSIX")
        return Fallback;

    if (language == "en")
        return region.empty() || InList(UsEnglishRegions, region) ? Fallback : Western;
    if (language == "zh" && (region == "TW" || region == "HK" || region == "MO"))
        return {950, 950, 10002};
    if (modifier == "cyrillic" && (language == "uz" || language == "az"))
        return {1251, 866, 10007};
    if (modifier == "latin" && language == "sr")
        return {1250, 852, 10029};
    for (const LanguagePages& entry : Languages) {
        if (InList(entry.languages, language))
            return entry.pages;
    }
    return Fallback;
}

LocaleCodepages CodepagesFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return CodepagesForLocale(value);
    }
    return Fallback;
}

const LocaleCodepages& SystemCodepages() {
    static const LocaleCodepages pages = CodepagesFromEnvironment();
    return pages;
}

} // namespace platform
