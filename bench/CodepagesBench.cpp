// CodepagesBench.cpp — converting one drawn line: a 16-byte hex line and a 300-character text line
// in the ANSI page, a single-byte page, UTF-8 and Shift-JIS. A page draws about 150 such lines.
#include "QXxCodepages.h"

#include <benchmark/benchmark.h>

namespace {

constexpr TQXEncoding Windows1251 = 45;
constexpr TQXEncoding ShiftJis = 112;
constexpr TQXEncoding Utf8 = 130;

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

} // namespace

BENCHMARK(BM_HexLine)->Apply(Encodings);
BENCHMARK(BM_TextLine)->Apply(Encodings);
BENCHMARK(BM_TextLineWithOffsets)->Apply(Encodings);

BENCHMARK_MAIN();
