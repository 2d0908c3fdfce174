// fuzz_url_scan.cpp — the link scan of a page: links in order without overlaps, each the page's own
// characters, the plain links a simple tokenizer sees never missed, the byte and UTF-16 forms in
// agreement, and the scan linear in the page (a bound on characters read, and a wall clock).
//
// Input: a base offset, a repetition count, then a prefix, a piece repeated to build long crafted
// pages and a suffix.
#include "FuzzCheck.h"
#include "QXUrlScan.h"

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int64_t MaxPageBytes = 256 * 1024;
constexpr int64_t ReadsPerChar = 16;
constexpr auto WallClockLimit = std::chrono::seconds(10);

bool IsAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsUrlChar(unsigned char c) {
    return c > 32 && c < 127 && UrlDelimiters.find(static_cast<char>(c)) == std::string_view::npos;
}
bool IsTrailing(unsigned char c) {
    return std::string_view(".,;:!?").find(static_cast<char>(c)) != std::string_view::npos;
}
bool AllAlnum(std::string_view s) {
    for (const char c : s) {
        if (!IsAlnum(static_cast<unsigned char>(c)))
            return false;
    }
    return !s.empty();
}
bool StartsFolded(std::string_view s, std::string_view word) {
    if (s.size() < word.size())
        return false;
    for (size_t k = 0; k < word.size(); ++k) {
        const auto c = static_cast<unsigned char>(s[k]);
        if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != static_cast<unsigned char>(word[k]))
            return false;
    }
    return true;
}

// A run of link characters between non-link characters that is a link in its plainest form: a
// scheme and letters or digits, "www." and letters or digits, or name@name.tld.
bool IsPlainLink(std::string_view token) {
    for (std::string_view scheme : {"http://", "https://", "ftp://", "file://"}) {
        if (StartsFolded(token, scheme) && AllAlnum(token.substr(scheme.size())))
            return true;
    }
    if (token.substr(0, 4) == "www." && AllAlnum(token.substr(4)))
        return true;
    const size_t at = token.find('@');
    if (at == std::string_view::npos)
        return false;
    const std::string_view domain = token.substr(at + 1);
    const size_t dot = domain.find('.');
    if (dot == std::string_view::npos || !AllAlnum(token.substr(0, at)))
        return false;
    const std::string_view tld = domain.substr(dot + 1);
    if (tld.size() < 2 || !AllAlnum(domain.substr(0, dot)))
        return false;
    for (const char c : tld) {
        if (!IsLetter(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

void CheckLinks(const std::vector<TQXUrl>& urls, std::string_view page, int64_t base) {
    const auto n = static_cast<int64_t>(page.size());
    int64_t previousEnd = base;
    for (const TQXUrl& url : urls) {
        const int64_t length = url.Url.size();
        FUZZ_CHECK(length > 0);
        FUZZ_CHECK(url.Pos >= previousEnd);
        FUZZ_CHECK(url.Pos + length <= base + n);
        FUZZ_CHECK(page.substr(url.Pos - base, length) == std::string_view(url.Url));
        for (const char c : std::string_view(url.Url))
            FUZZ_CHECK(IsUrlChar(static_cast<unsigned char>(c)));
        FUZZ_CHECK(!IsTrailing(static_cast<unsigned char>(url.Url.back())));
        previousEnd = url.Pos + length;
    }

    size_t next = 0;
    for (int64_t i = 0; i < n;) {
        if (!IsUrlChar(static_cast<unsigned char>(page[i]))) {
            ++i;
            continue;
        }
        int64_t end = i;
        while (end < n && IsUrlChar(static_cast<unsigned char>(page[end])))
            ++end;
        int64_t trimmed = end;
        while (trimmed > i && IsTrailing(static_cast<unsigned char>(page[trimmed - 1])))
            --trimmed;
        const std::string_view token = page.substr(i, trimmed - i);
        if (IsPlainLink(token)) {
            while (next < urls.size() && urls[next].Pos < base + i)
                ++next;
            FUZZ_CHECK(next < urls.size());
            FUZZ_CHECK(urls[next].Pos == base + i);
            FUZZ_CHECK(std::string_view(urls[next].Url) == token);
        }
        i = end;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const int64_t base = fdp.ConsumeIntegralInRange<int64_t>(0, int64_t{1} << 40);
    const int repeat = fdp.ConsumeIntegralInRange(1, 20000);
    const std::string prefix = fdp.ConsumeRandomLengthString(256);
    const std::string piece = fdp.ConsumeRandomLengthString(64);
    const std::string suffix = fdp.ConsumeRemainingBytesAsString();
    std::string page = prefix;
    for (int k = 0; k < repeat && static_cast<int64_t>(page.size() + piece.size()) <= MaxPageBytes;
         ++k)
        page += piece;
    page += suffix;
    const auto n = static_cast<int64_t>(page.size());

    const auto started = std::chrono::steady_clock::now();
    int64_t reads = -1;
    const std::vector<TQXUrl> urls = FindUrls(QByteArrayView(page.data(), n), base, &reads);
    FUZZ_CHECK(reads >= 0 && reads <= ReadsPerChar * n);

    std::u16string units(page.size(), u'\0');
    for (size_t i = 0; i < page.size(); ++i)
        units[i] = static_cast<unsigned char>(page[i]);
    int64_t wideReads = -1;
    const std::vector<TQXUrl> wide = FindUrls(std::u16string_view(units), 2 * base, &wideReads);
    FUZZ_CHECK(wideReads >= 0 && wideReads <= ReadsPerChar * n);
    FUZZ_CHECK(std::chrono::steady_clock::now() - started < WallClockLimit);

    CheckLinks(urls, page, base);
    FUZZ_CHECK(wide.size() == urls.size());
    for (size_t k = 0; k < urls.size(); ++k) {
        FUZZ_CHECK(wide[k].Url == urls[k].Url);
        FUZZ_CHECK(wide[k].Pos - 2 * base == 2 * (urls[k].Pos - base));
    }

    TQXUrlArray table;
    const int filled = ScanUrls(QByteArrayView(page.data(), n), base, table);
    const auto expected = static_cast<int>(std::min<size_t>(urls.size(), MaxUrls));
    FUZZ_CHECK(filled == expected);
    for (int k = 0; k < MaxUrls; ++k) {
        if (k < filled) {
            FUZZ_CHECK(table[k].Url == urls[k].Url && table[k].Pos == urls[k].Pos);
        } else {
            FUZZ_CHECK(table[k].Url.isEmpty());
        }
    }
    return 0;
}
