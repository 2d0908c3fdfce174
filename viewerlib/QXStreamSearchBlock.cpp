// QXStreamSearchBlock.cpp — comparison forms of characters, byte-per-character code page tables,
// the candidate search within one block, and the block searches on decoded text.
#include "QXStreamSearchBlock.h"

#include "Codepage.h"

#include <QChar>
#include <bitset>
#include <cstring>
#include <map>
#include <mutex>

const std::array<char16_t, 65> WordSeparators = [] {
    std::array<char16_t, 65> result{};
    std::size_t n = 0;
    for (char16_t c = 0; c < 0x80; ++c) {
        const bool letterOrDigit =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letterOrDigit && c != '_')
            result[n++] = c;
    }
    return result;
}();

bool IsWordSeparator(char16_t c) {
    static const std::bitset<128> separators = [] {
        std::bitset<128> set;
        for (char16_t s : WordSeparators)
            set.set(s);
        return set;
    }();
    return c < 0x80 && separators.test(c);
}

int32_t CharSizeOf(TQXEncoding encoding) {
    return encoding == EncodingUnicodeBE || encoding == EncodingUnicodeLE ? 2 : 1;
}

int64_t AlignDown(int64_t x, int32_t size) {
    return x / size * size;
}

int64_t LastCharPos(int64_t size, int32_t charSize) {
    return std::max<int64_t>(0, AlignDown(size, charSize) - charSize);
}

void WideLowerCase(QString& s) {
    s = qxsearch::Folded(std::move(s), qxsearch::WideFold());
}

char16_t AnsiFoldUnit(char16_t c) {
    return qxsearch::AnsiFold()[c];
}

namespace qxsearch {

namespace {

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Which units come back unchanged from the ANSI code page. Every unit is encoded and decoded in one
// pass, each followed by a line feed, which no ANSI code page uses inside a character.
std::bitset<65536> AnsiRoundTrips() {
    std::bitset<65536> result;
    QString all;
    all.reserve(2 * 65536);
    for (char32_t c = 0; c < 65536; ++c) {
        if (!IsSurrogate(c) && c != u'\n') {
            all.append(QChar(static_cast<char16_t>(c)));
            all.append(u'\n');
        }
    }
    QString back;
    platform::DecodeCodepage(platform::CP_ACP, platform::EncodeCodepage(platform::CP_ACP, all),
                             back);
    const QList<QStringView> pieces = QStringView(back).split(u'\n');
    qsizetype piece = 0;
    bool aligned = true;
    for (char32_t c = 0; c < 65536 && aligned; ++c) {
        if (IsSurrogate(c) || c == u'\n')
            continue;
        aligned = piece < pieces.size();
        if (aligned && pieces[piece].size() == 1 && pieces[piece][0] == QChar(char16_t(c)))
            result.set(c);
        ++piece;
    }
    if (!aligned) {
        // A converter that broke the pairing: trust the ASCII range only.
        result.reset();
        for (int c = 0; c < 0x80; ++c)
            result.set(c);
    }
    result.set(u'\n');
    return result;
}

char16_t SimpleLower(char16_t c) {
    return static_cast<char16_t>(QChar::toLower(static_cast<char32_t>(c)));
}

// Single bytes, pairs that start a character in the multi-byte pages, and the shift sequences of
// the stateful ones: a byte-per-character page decodes each probe to as many units as it has bytes.
std::vector<QByteArray> Probes() {
    QByteArray pairs;
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int trail : {0x30, 0x41, 0x80, 0xA1, 0xE9}) {
            pairs.append(static_cast<char>(lead));
            pairs.append(static_cast<char>(trail));
        }
    }
    return {pairs,
            QByteArray("+AKM-"),
            QByteArray("\x1B$B$\"\x1B(B"),
            QByteArray("\x1B$)C\x0E\x30\x21\x0F"),
            QByteArray("\x1B$)A\x0E\x30\x21\x0F"),
            QByteArray("~{0!~}")};
}

std::unique_ptr<BytePage> BuildBytePage(TQXEncoding encoding) {
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = static_cast<char>(b);
    const QString units = CodepageToUnicode(all, encoding);
    if (units.size() != 256)
        return nullptr;
    for (const QByteArray& probe : Probes()) {
        if (CodepageToUnicode(probe, encoding).size() != probe.size())
            return nullptr;
    }
    auto page = std::make_unique<BytePage>();
    for (int b = 0; b < 256; ++b) {
        page->units[b] = units[b].unicode();
        page->separator[b] = IsWordSeparator(page->units[b]);
    }
    return page;
}

} // namespace

const FoldTable& AnsiFold() {
    static const std::unique_ptr<FoldTable> table = [] {
        const std::bitset<65536> inAnsi = AnsiRoundTrips();
        auto t = std::make_unique<FoldTable>();
        for (char32_t c = 0; c < 65536; ++c) {
            const auto unit = static_cast<char16_t>(c);
            const char16_t lower = SimpleLower(unit);
            // A character of the page keeps its case when the page lacks the lower-case form.
            (*t)[c] = inAnsi.test(c) && !inAnsi.test(lower) ? unit : lower;
        }
        return t;
    }();
    return *table;
}

const FoldTable& WideFold() {
    static const std::unique_ptr<FoldTable> table = [] {
        auto t = std::make_unique<FoldTable>();
        for (char32_t c = 0; c < 65536; ++c)
            (*t)[c] = SimpleLower(static_cast<char16_t>(c));
        return t;
    }();
    return *table;
}

void FoldUnits(const char16_t* from, char16_t* to, qsizetype count, const FoldTable& fold) {
    for (qsizetype i = 0; i < count; ++i)
        to[i] = fold[from[i]];
}

QString Folded(QString text, const FoldTable& fold) {
    auto* units = reinterpret_cast<char16_t*>(text.data());
    FoldUnits(units, units, text.size(), fold);
    return text;
}

const BytePage* BytePageOf(TQXEncoding encoding) {
    static std::mutex mutex;
    static std::map<TQXEncoding, std::unique_ptr<BytePage>> pages;
    const std::lock_guard lock(mutex);
    auto it = pages.find(encoding);
    if (it == pages.end())
        it = pages.emplace(encoding, BuildBytePage(encoding)).first;
    return it->second.get();
}

namespace {

// How common a byte is in text, from 0 up: the zero half of Latin UTF-16 units, white space,
// lower-case letters, the lead bytes of two-byte UTF-8 characters, continuation bytes, digits and
// punctuation, capitals, and the rest.
int Commonness(unsigned char b) {
    if (b == 0)
        return 6;
    if (b == ' ' || b == '\n' || b == '\r' || b == '\t')
        return 5;
    if (b >= 'a' && b <= 'z')
        return 4;
    if (b >= 0xC2 && b <= 0xDF)
        return 3;
    if (b >= 0x80 && b <= 0xBF)
        return 2;
    if (b >= 'A' && b <= 'Z')
        return 0;
    return b < 0x80 ? 1 : 0;
}

} // namespace

bool IsUtf8(TQXEncoding encoding) {
    constexpr int Utf8Codepage = 65001;
    return encoding >= 0 && platform::ResolveCodepage(CodepageID(encoding)) == Utf8Codepage;
}

QByteArray Utf8Needle(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar::ReplacementCharacter || c == QChar::ByteOrderMark)
            return {};
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return {};
    }
    return text.toUtf8();
}

NeedleFinder::NeedleFinder(QByteArrayView needle, int unitSize, const ByteClasses* classes)
    : needle_(needle.begin(), needle.end()), classed_(classes != nullptr), unitSize_(unitSize) {
    for (int b = 0; b < 256; ++b)
        classes_[static_cast<std::size_t>(b)] =
            classes ? (*classes)[static_cast<std::size_t>(b)] : static_cast<unsigned char>(b);
    std::vector<std::bitset<256>> places(needle_.size());
    for (std::size_t k = 0; k < needle_.size(); ++k) {
        for (int b = 0; b < 256; ++b)
            places[k][static_cast<std::size_t>(b)] =
                classes_[static_cast<std::size_t>(b)] == static_cast<unsigned char>(needle_[k]);
    }
    ChooseAnchors(places);
}

NeedleFinder::NeedleFinder(const std::vector<QByteArray>& alternatives, int unitSize)
    : unitSize_(unitSize) {
    for (const QByteArray& a : alternatives)
        alternatives_.emplace_back(a.begin(), a.end());
    needle_ = alternatives_.front();
    for (int b = 0; b < 256; ++b)
        classes_[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b);
    std::vector<std::bitset<256>> places(needle_.size());
    for (const std::string& a : alternatives_) {
        for (std::size_t k = 0; k < needle_.size(); ++k)
            places[k].set(static_cast<unsigned char>(a[k]));
    }
    ChooseAnchors(places);
}

void NeedleFinder::ChooseAnchors(const std::vector<std::bitset<256>>& places) {
    // Every place with few enough bytes to test at once can anchor the search; the two rarest, of
    // different bytes if the needle has them, do.
    std::vector<Anchor> usable;
    for (std::size_t k = 0; k < places.size(); ++k) {
        if (places[k].none() || places[k].count() > 4)
            continue;
        Anchor a;
        a.place = static_cast<qsizetype>(k);
        for (int b = 0; b < 256; ++b) {
            if (places[k].test(static_cast<std::size_t>(b)))
                a.bytes[static_cast<std::size_t>(a.count++)] = static_cast<unsigned char>(b);
        }
        usable.push_back(a);
    }
    const auto score = [](const Anchor& a) {
        int worst = 0;
        for (int i = 0; i < a.count; ++i)
            worst = std::max(worst, Commonness(a.bytes[static_cast<std::size_t>(i)]));
        return worst * 8 + a.count;
    };
    const auto rarest = [&](auto&& allowed) {
        const Anchor* best = nullptr;
        for (const Anchor& a : usable) {
            if (allowed(a) && (!best || score(a) < score(*best)))
                best = &a;
        }
        return best;
    };
    if (const Anchor* a = rarest([](const Anchor&) { return true; })) {
        first_ = *a;
        const Anchor* b = rarest([&](const Anchor& c) { return c.bytes != a->bytes; });
        if (!b)
            b = rarest([&](const Anchor& c) { return c.place != a->place; });
        second_ = b ? *b : *a;
    }
}

bool NeedleFinder::MatchesAt(const char* at) const {
    if (!alternatives_.empty()) {
        return std::any_of(alternatives_.begin(), alternatives_.end(), [at](const std::string& a) {
            return std::memcmp(a.data(), at, a.size()) == 0;
        });
    }
    if (!classed_)
        return std::memcmp(needle_.data(), at, needle_.size()) == 0;
    for (std::size_t k = 0; k < needle_.size(); ++k) {
        if (classes_[static_cast<unsigned char>(at[k])] != static_cast<unsigned char>(needle_[k]))
            return false;
    }
    return true;
}

template <typename Check>
qsizetype NeedleFinder::Scan(const char* base, qsizetype begin, qsizetype end, bool forward,
                             Check&& check) const {
    const qsizetype lastAt = end - NeedleSize();
    if (first_.count > 0)
        return platform::ScanAnchored(base, begin, lastAt, first_, second_, forward, check);
    // No place of the needle is selective enough: every candidate is checked.
    if (forward) {
        for (qsizetype at = begin; at <= lastAt; ++at) {
            if (check(at))
                return at;
        }
    } else {
        for (qsizetype at = lastAt; at >= begin; --at) {
            if (check(at))
                return at;
        }
    }
    return -1;
}

qsizetype NeedleFinder::Find(QByteArrayView hay, bool forward, qsizetype first, qsizetype last,
                             const std::function<bool(qsizetype)>& accept) const {
    const qsizetype n = NeedleSize();
    if (n == 0 || first > last || first < 0)
        return -1;
    const char* base = hay.data();
    const qsizetype begin = first * unitSize_;
    const qsizetype end = std::min(hay.size(), last * unitSize_ + n);
    if (end - begin < n)
        return -1;
    const qsizetype at = Scan(base, begin, end, forward, [&](qsizetype c) {
        return c % unitSize_ == 0 && MatchesAt(base + c) && accept(c / unitSize_);
    });
    return at < 0 ? -1 : at / unitSize_;
}

QByteArray StreamUnitBytes(QStringView text, bool bigEndian) {
    QByteArray bytes;
    bytes.reserve(2 * text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const auto high = static_cast<char>(u >> 8);
        const auto low = static_cast<char>(u & 0xFF);
        bytes.append(bigEndian ? high : low);
        bytes.append(bigEndian ? low : high);
    }
    return bytes;
}

CaseVariants WideCaseVariants(QStringView keys, bool bigEndian) {
    constexpr std::size_t MaxSpellings = 8;
    constexpr qsizetype MaxRun = 16;
    const FoldTable& fold = WideFold();
    std::vector<std::size_t> classSize(65536);
    for (char16_t key : fold)
        ++classSize[key];
    const auto sizeOf = [&](qsizetype i) { return classSize[keys[i].unicode()]; };
    qsizetype bestStart = 0;
    qsizetype bestLength = 0;
    for (qsizetype s = 0; s < keys.size(); ++s) {
        std::size_t product = 1;
        qsizetype e = s;
        while (e < keys.size() && e - s < MaxRun && product * sizeOf(e) <= MaxSpellings)
            product *= sizeOf(e++);
        if (e - s > bestLength) {
            bestStart = s;
            bestLength = e - s;
        }
    }
    if (bestLength == 0) {
        // Every unit has more variants than that: the one with the fewest.
        for (qsizetype i = 1; i < keys.size(); ++i) {
            if (sizeOf(i) < sizeOf(bestStart))
                bestStart = i;
        }
        bestLength = 1;
    }
    std::vector<std::vector<char16_t>> members(static_cast<std::size_t>(bestLength));
    for (char32_t u = 0; u < 65536; ++u) {
        for (qsizetype k = 0; k < bestLength; ++k) {
            if (fold[u] == keys[bestStart + k])
                members[static_cast<std::size_t>(k)].push_back(static_cast<char16_t>(u));
        }
    }
    std::vector<QByteArray> spellings = {QByteArray()};
    for (const std::vector<char16_t>& variants : members) {
        std::vector<QByteArray> longer;
        for (const QByteArray& prefix : spellings) {
            for (char16_t v : variants)
                longer.push_back(prefix + StreamUnitBytes(QStringView(&v, 1), bigEndian));
        }
        spellings = std::move(longer);
    }
    return {bestStart, std::move(spellings)};
}

SpellingsFinder::SpellingsFinder(const std::vector<QByteArray>& spellings) {
    std::map<qsizetype, std::vector<QByteArray>> bySize;
    for (const QByteArray& spelling : spellings)
        bySize[spelling.size()].push_back(spelling);
    for (const auto& [size, ofSize] : bySize)
        finders_.push_back(std::make_unique<NeedleFinder>(ofSize, 1));
}

qsizetype SpellingsFinder::Find(QByteArrayView hay, bool forward, qsizetype first, qsizetype last,
                                const std::function<bool(qsizetype)>& accept) const {
    qsizetype best = -1;
    for (const auto& finder : finders_) {
        // Later sizes need only beat the nearest match so far.
        const qsizetype from = !forward && best >= 0 ? best + 1 : first;
        const qsizetype to = forward && best >= 0 ? best - 1 : last;
        const qsizetype j = finder->Find(hay, forward, from, to, accept);
        if (j >= 0)
            best = j;
    }
    return best;
}

} // namespace qxsearch

namespace {

int SearchUnits(const QString& pattern, const QString& block, bool forward, bool wholeWords,
                bool caseSensitive, bool lastBlock, const qxsearch::FoldTable& fold) {
    if (pattern.isEmpty() || block.isEmpty())
        return 0;
    qxsearch::BlockRules rules;
    rules.units = block.size();
    rules.length = pattern.size();
    rules.forward = forward;
    rules.wholeWords = wholeWords;
    rules.lastBlock = lastBlock;
    if (rules.Candidates() <= 0)
        return 0;
    const QString keys = caseSensitive ? block : qxsearch::Folded(block, fold);
    const QString needle = caseSensitive ? pattern : qxsearch::Folded(pattern, fold);
    const auto* units = reinterpret_cast<const char16_t*>(block.utf16());
    const qxsearch::NeedleFinder finder(
        qxsearch::UnitBytes(reinterpret_cast<const char16_t*>(needle.utf16()), needle.size()), 2);
    const auto separatorAt = [units](qsizetype i) { return IsWordSeparator(units[i]); };
    const qsizetype j = finder.Find(
        qxsearch::UnitBytes(reinterpret_cast<const char16_t*>(keys.utf16()), keys.size()), forward,
        rules.First(), rules.Last(),
        [&](qsizetype candidate) { return rules.Accepts(candidate, separatorAt); });
    return j < 0 ? 0 : static_cast<int>(j + 1);
}

} // namespace

int SearchInBlock(const QString& pattern, const QString& block, bool forward, bool wholeWords,
                  bool caseSensitive, bool lastBlock) {
    return SearchUnits(pattern, block, forward, wholeWords, caseSensitive, lastBlock,
                       qxsearch::AnsiFold());
}

int SearchInBlockWide(const QString& pattern, const QString& block, bool forward, bool wholeWords,
                      bool caseSensitive, bool lastBlock) {
    return SearchUnits(pattern, block, forward, wholeWords, caseSensitive, lastBlock,
                       qxsearch::WideFold());
}
