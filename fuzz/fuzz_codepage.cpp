// fuzz_codepage.cpp — code page conversion, with and without byte offsets, over every encoding of
// the list.
//
// Input: one byte chooses the encoding (mod 132), one byte a split point, the rest are the bytes
// to decode. Checks, for every page:
// - both forms of CodepageToUnicode give the same text;
// - one offset per UTF-16 unit, every offset inside the input and never below the one before;
// - a page without a converter gives "?" at offset 0;
// and for pages without shift states, that decoding from any character boundary (an offset the
// whole decoding reported) gives exactly the rest of the text with the offsets moved by the start.
#include "FuzzCheck.h"
#include "QXxCodepages.h"

#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void CheckOffsets(const std::vector<int64_t>& offsets, qsizetype textSize, int64_t byteCount) {
    FUZZ_CHECK(static_cast<qsizetype>(offsets.size()) == textSize);
    int64_t previous = 0;
    for (const int64_t offset : offsets) {
        FUZZ_CHECK(offset >= 0);
        FUZZ_CHECK(offset < byteCount);
        FUZZ_CHECK(offset >= previous);
        previous = offset;
    }
}

void CheckEncoding(QByteArrayView bytes, TQXEncoding encoding, size_t split) {
    const QString plain = CodepageToUnicode(bytes, encoding);
    std::vector<int64_t> offsets{-7};
    const QString withOffsets = CodepageToUnicode(bytes, encoding, offsets);
    FUZZ_CHECK(plain == withOffsets);
    if (bytes.isEmpty()) {
        FUZZ_CHECK(plain.isEmpty());
        FUZZ_CHECK(offsets.empty());
        return;
    }
    FUZZ_CHECK(!plain.isEmpty());
    CheckOffsets(offsets, plain.size(), bytes.size());

    if (!IsCodepageSupported(encoding)) {
        FUZZ_CHECK(plain == QStringLiteral("?"));
        FUZZ_CHECK(offsets.size() == 1 && offsets[0] == 0);
        return;
    }
    if (fuzz::IsStatefulPage(CodepageID(encoding)))
        return;

    // The boundary chosen by the input, and the last one (the shortest tail, often a cut
    // character).
    for (const size_t pick : {split % offsets.size(), offsets.size() - 1}) {
        const int64_t start = offsets[pick];
        size_t first = pick;
        while (first > 0 && offsets[first - 1] == start)
            --first;
        std::vector<int64_t> tailOffsets;
        const QString tail = CodepageToUnicode(bytes.sliced(start), encoding, tailOffsets);
        FUZZ_CHECK(tail == plain.mid(static_cast<qsizetype>(first)));
        FUZZ_CHECK(tailOffsets.size() == offsets.size() - first);
        for (size_t k = 0; k < tailOffsets.size(); ++k)
            FUZZ_CHECK(tailOffsets[k] + start == offsets[first + k]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const TQXEncoding encoding = data[0] % CodepageCount;
    const size_t split = data[1];
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 2),
                               static_cast<qsizetype>(size - 2));
    CheckEncoding(bytes, encoding, split);
    return 0;
}
