// QXStreamSearchBlock.cpp — comparison forms of characters, byte-per-character code page tables,
// the candidate search within one block, and the block searches on decoded text.
#include "QXStreamSearchBlock.h"

#include "Codepage.h"

#include <QChar>
#include <bitset>
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

NeedleFinder::NeedleFinder(QByteArrayView needle, int unitSize)
    : needle_(needle.begin(), needle.end()), unitSize_(unitSize) {
    qsizetype end = static_cast<qsizetype>(needle_.size());
    while (end > 1 && needle_[static_cast<std::size_t>(end - 1)] == 0)
        --end;
    forwardCore_ = needle_.substr(0, static_cast<std::size_t>(end));
    while (leadingZeros_ + 1 < NeedleSize() &&
           needle_[static_cast<std::size_t>(leadingZeros_)] == 0)
        ++leadingZeros_;
    backwardCore_.assign(needle_.rbegin(), needle_.rend() - leadingZeros_);
    forward_.emplace(forwardCore_.cbegin(), forwardCore_.cend());
    backward_.emplace(backwardCore_.cbegin(), backwardCore_.cend());
}

bool NeedleFinder::MatchesAt(const char* at) const {
    return std::equal(needle_.begin(), needle_.end(), at);
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
    // A candidate is where the whole needle fits between begin and end.
    const auto candidate = [&](qsizetype at) {
        return at >= begin && at + n <= end && at % unitSize_ == 0 && MatchesAt(base + at) &&
               accept(at / unitSize_);
    };
    if (forward) {
        const char* from = base + begin;
        const char* to = base + end;
        while (from < to) {
            const char* hit = (*forward_)(from, to).first;
            if (hit == to)
                return -1;
            if (candidate(hit - base))
                return (hit - base) / unitSize_;
            from = hit + 1;
        }
        return -1;
    }
    Reverse from(base + end);
    const Reverse to(base + begin);
    const auto core = static_cast<qsizetype>(backwardCore_.size());
    while (from < to) {
        const Reverse hit = (*backward_)(from, to).first;
        if (hit == to)
            return -1;
        const qsizetype at = (hit.base() - base) - core - leadingZeros_;
        if (candidate(at))
            return at / unitSize_;
        from = hit + 1;
    }
    return -1;
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
