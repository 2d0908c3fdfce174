// CodepagesBench.cpp — converting one drawn line: a 16-byte hex line and a 300-character text line
// in the ANSI page, a single-byte page, UTF-8 and Shift-JIS. A page draws about 150 such lines.
// And searching 256 KiB of ISO-2022-KR text, valid or with a stray shift-out, in both directions.
#include "QXStreamSearch.h"
#include "QXxCodepages.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

constexpr TQXEncoding Windows1251 = 45;
constexpr TQXEncoding ShiftJis = 112;
constexpr TQXEncoding Utf8 = 130;
constexpr TQXEncoding Iso2022Kr = 123;

QByteArray HexLine() {
    QByteArray line(16, Qt::Uninitialized);
    for (int i = 0; i < 16; ++i)
        line[i] = static_cast<char>(0x30 + i * 13);
    return line;
}

// About 300 characters of mixed text in the encoding.
QByteArray TextLine(TQXEncoding encoding) {
    switch (encoding) {
    case Utf8:
        return QString(QStringLiteral("Прошивка ROM, address 0x1F00: ")).repeated(10).toUtf8();
    case ShiftJis:
        return QByteArray("\x83\x74\x83\x40\x81\x5B\x83\x80\x83\x45\x83\x46\x83\x41 ROM 0x1F00: ")
            .repeated(14);
    default:
        return QByteArray("Firmware \xC0\xC1\xC2 image, address 0x1F00: ").repeated(10);
    }
}

void Convert(benchmark::State& state, const QByteArray& line, TQXEncoding encoding) {
    for (auto _ : state) {
        QString text = CodepageToUnicode(line, encoding);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * line.size());
}

void BM_HexLine(benchmark::State& state) {
    Convert(state, HexLine(), static_cast<TQXEncoding>(state.range(0)));
}

void BM_TextLine(benchmark::State& state) {
    const auto encoding = static_cast<TQXEncoding>(state.range(0));
    Convert(state, TextLine(encoding), encoding);
}

void BM_TextLineWithOffsets(benchmark::State& state) {
    const auto encoding = static_cast<TQXEncoding>(state.range(0));
    const QByteArray line = TextLine(encoding);
    std::vector<int64_t> offsets;
    for (auto _ : state) {
        QString text = CodepageToUnicode(line, encoding, offsets);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * line.size());
}

void Encodings(benchmark::internal::Benchmark* b) {
    b->ArgName("encoding");
    for (TQXEncoding e : {EncodingANSI, Windows1251, Utf8, ShiftJis})
        b->Arg(e);
}

// 256 KiB of ISO-2022-KR lines between "first" and "last": Korean words shifted out after the
// designator, or (strayShift) ASCII lines that each start with a shift-out no designator allows:
// without a shift-in the rest of the text reads as invalid pairs, whichever line decoding starts
// at.
QByteArray KoreanText(bool strayShift) {
    QByteArray bytes = strayShift ? "first\n" : "\x1B$)Cfirst\n";
    const QByteArray line = strayShift ? QByteArray("\x0Eshifted text without its designator\n")
                                       : QByteArray("\x0E\x30\x21\x43\x4F\x0F ROM 0x1F00\n");
    while (bytes.size() < 256 * 1024)
        bytes += line;
    bytes += "\x0Flast";
    return bytes;
}

// state.range(0): 1 with a stray shift-out; state.range(1): 1 backward.
void BM_SearchIso2022Kr(benchmark::State& state) {
    QByteArray bytes = KoreanText(state.range(0) != 0);
    const bool backward = state.range(1) != 0;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TQXStreamSearch search;
    search.SetStream(&buffer);
    const QString text = backward ? QStringLiteral("first") : QStringLiteral("last");
    const TQXSearchOptions options = backward ? TQXSearchOptions(soBackward) : TQXSearchOptions();
    for (auto _ : state) {
        if (!search.FindFirst(text, Iso2022Kr, options, 0))
            state.SkipWithError("text not found");
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK(BM_SearchIso2022Kr)
    ->ArgNames({"stray", "backward"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HexLine)->Apply(Encodings);
BENCHMARK(BM_TextLine)->Apply(Encodings);
BENCHMARK(BM_TextLineWithOffsets)->Apply(Encodings);

BENCHMARK_MAIN();
