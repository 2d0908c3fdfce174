// QXUrlScan.cpp — finding URLs and e-mail addresses in a page of bytes or UTF-16 units.
#include "QXUrlScan.h"

#include <algorithm>

namespace {

bool IsAsciiAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

bool IsUrlChar(char16_t c) {
    return c > 32 && c < 127 && UrlDelimiters.find(static_cast<char>(c)) == std::string_view::npos;
}

bool IsTrailingPunctuation(char16_t c) {
    return c == u'.' || c == u',' || c == u';' || c == u':' || c == u'!' || c == u'?';
}

bool IsLocalPartChar(char16_t c) {
    return IsAsciiAlnum(c) || c == u'.' || c == u'_' || c == u'%' || c == u'+' || c == u'-';
}

bool IsDomainChar(char16_t c) {
    return IsAsciiAlnum(c) || c == u'.' || c == u'-';
}

// The scan over one text; Text is a view whose elements convert to a character code.
template <typename Text> class UrlScanner {
public:
    UrlScanner(const Text& text, int64_t base, int charSize)
        : text_(text), n_(static_cast<int64_t>(text.size())), base_(base), charSize_(charSize) {}

    std::vector<TQXUrl> Run() {
        for (int64_t i = 0; i < n_; ++i) {
            const char16_t c = At(i);
            int64_t start = i, end = -1;
            if (c == u'h' || c == u'H' || c == u'f' || c == u'F')
                end = SchemeUrlEnd(i);
            else if (c == u'w')
                end = WwwUrlEnd(i);
            else if (c == u'@')
                end = AddressEnd(i, start);
            if (end < 0)
                continue;
            Add(start, end);
            i = end - 1;
        }
        return std::move(found_);
    }

private:
    char16_t At(int64_t i) const {
        ++reads_;
        if (i < 0 || i >= n_)
            return 0;
        if constexpr (sizeof(text_[0]) == 1)
            return static_cast<uint8_t>(text_[static_cast<size_t>(i)]);
        else
            return static_cast<char16_t>(text_[static_cast<size_t>(i)]);
    }

    // True when the text at i starts with the lower-case ASCII word, in any letter case.
    bool StartsWithFolded(int64_t i, std::string_view word) const {
        for (size_t k = 0; k < word.size(); ++k) {
            if (AsciiLower(At(i + static_cast<int64_t>(k))) != static_cast<char16_t>(word[k]))
                return false;
        }
        return true;
    }

    // End of the run of URL characters from i, less trailing punctuation. Every start inside one
    // run shares its end, so the run is measured once: a page of many candidate starts in one long
    // run ("www.a@www.a@…") stays linear.
    int64_t RunEnd(int64_t i) const {
        if (i < runFrom_ || i > runRaw_) {
            int64_t end = i;
            while (end < n_ && IsUrlChar(At(end)))
                ++end;
            int64_t trimmed = end;
            while (trimmed > i && IsTrailingPunctuation(At(trimmed - 1)))
                --trimmed;
            runFrom_ = i;
            runRaw_ = end;
            runTrimmed_ = trimmed;
        }
        return std::max(runTrimmed_, i);
    }

    // The first "/" or "@" at or after i (n_ when none). Asked in increasing order of i, so the
    // pointer only moves forward.
    int64_t NextSlashOrAt(int64_t i) const {
        if (slashOrAt_ < i)
            slashOrAt_ = i;
        while (slashOrAt_ < n_ && At(slashOrAt_) != u'/' && At(slashOrAt_) != u'@')
            ++slashOrAt_;
        return slashOrAt_;
    }

    int64_t SchemeUrlEnd(int64_t i) const {
        if (IsAsciiAlnum(At(i - 1)))
            return -1;
        for (std::string_view scheme : {"http://", "https://", "ftp://", "file://"}) {
            if (!StartsWithFolded(i, scheme))
                continue;
            const int64_t rest = i + static_cast<int64_t>(scheme.size());
            const int64_t end = RunEnd(rest);
            return end > rest ? end : -1;
        }
        return -1;
    }

    int64_t WwwUrlEnd(int64_t i) const {
        const char16_t before = At(i - 1);
        if (IsAsciiAlnum(before) || before == u'.' || before == u'/')
            return -1;
        if (At(i + 1) != u'w' || At(i + 2) != u'w' || At(i + 3) != u'.' || !IsAsciiAlnum(At(i + 4)))
            return -1;
        const int64_t end = RunEnd(i);
        const int64_t mark = NextSlashOrAt(i + 4);
        if (mark < end && At(mark) == u'@')
            return -1;
        return end;
    }

    // An address around the "@" at i: start receives its first character.
    int64_t AddressEnd(int64_t i, int64_t& start) const {
        int64_t s = i;
        while (s > lastEnd_ && IsLocalPartChar(At(s - 1)))
            --s;
        while (s < i && At(s) == u'.')
            ++s;
        if (s == i)
            return -1;
        int64_t end = i + 1;
        while (end < n_ && IsDomainChar(At(end)))
            ++end;
        while (end > i + 1 && (At(end - 1) == u'.' || At(end - 1) == u'-'))
            --end;
        // The domain: labels that do not start with "." or "-", an inner dot, and a last label of
        // two letters or more.
        if (end <= i + 1 || !IsAsciiAlnum(At(i + 1)))
            return -1;
        int64_t lastDot = -1;
        for (int64_t k = i + 1; k < end; ++k) {
            if (At(k) == u'.') {
                if (At(k - 1) == u'.' || At(k - 1) == u'-')
                    return -1;
                lastDot = k;
            }
        }
        if (lastDot < 0 || end - lastDot - 1 < 2)
            return -1;
        for (int64_t k = lastDot + 1; k < end; ++k) {
            if (!IsAsciiLetter(At(k)))
                return -1;
        }
        start = s;
        return end;
    }

    void Add(int64_t start, int64_t end) {
        TQXUrl& entry = found_.emplace_back();
        entry.Url.resize(static_cast<qsizetype>(end - start));
        for (int64_t k = start; k < end; ++k)
            entry.Url[static_cast<qsizetype>(k - start)] = static_cast<char>(At(k));
        entry.Pos = base_ + start * charSize_;
        lastEnd_ = end;
    }

    const Text& text_;
    int64_t n_;
    int64_t base_;
    int charSize_;
    std::vector<TQXUrl> found_;
    int64_t lastEnd_ = 0;
    mutable int64_t runFrom_ = -1;
    mutable int64_t runRaw_ = -2;
    mutable int64_t runTrimmed_ = 0;
    mutable int64_t slashOrAt_ = 0;

public:
    mutable int64_t reads_ = 0;
};

} // namespace

std::vector<TQXUrl> FindUrls(QByteArrayView bytes, int64_t base, int64_t* charReads) {
    UrlScanner<QByteArrayView> scanner(bytes, base, 1);
    std::vector<TQXUrl> found = scanner.Run();
    if (charReads)
        *charReads = scanner.reads_;
    return found;
}

std::vector<TQXUrl> FindUrls(std::u16string_view units, int64_t base, int64_t* charReads) {
    UrlScanner<std::u16string_view> scanner(units, base, 2);
    std::vector<TQXUrl> found = scanner.Run();
    if (charReads)
        *charReads = scanner.reads_;
    return found;
}

int FillUrlTable(std::vector<TQXUrl>&& found, int64_t pos, TQXUrlArray& table) {
    const auto total = static_cast<ptrdiff_t>(found.size());
    ptrdiff_t first = 0;
    if (total > MaxUrls) {
        const auto atPos = std::lower_bound(found.begin(), found.end(), pos,
                                            [](const TQXUrl& u, int64_t p) { return u.Pos < p; });
        first = std::clamp<ptrdiff_t>((atPos - found.begin()) - UrlsKeptBefore, 0, total - MaxUrls);
    }
    const int count = static_cast<int>(std::min<ptrdiff_t>(total - first, MaxUrls));
    for (int k = 0; k < MaxUrls; ++k)
        table[static_cast<size_t>(k)] =
            k < count ? std::move(found[static_cast<size_t>(first + k)]) : TQXUrl{};
    return count;
}

int ScanUrls(QByteArrayView bytes, int64_t base, TQXUrlArray& table) {
    return FillUrlTable(FindUrls(bytes, base), base, table);
}

int ScanUrls(std::u16string_view units, int64_t base, TQXUrlArray& table) {
    return FillUrlTable(FindUrls(units, base), base, table);
}
