// SearchBench.cpp — stream search throughput on 256 MiB files of random text (ANSI, UTF-8 with
// Latin and Cyrillic texts, UTF-16, Shift-JIS and GBK), forward and backward, with and without
// case, next to grep -F -c and grep -i -F -c for the text's bytes on the same file in the same run.
// The files are made in a temporary folder and removed at the end. Counters: MBps the search's
// speed, grep_MBps grep's (best of three), ratio the first over the second (shown with a "/s"
// suffix, being divided by the elapsed time like MBps).
#include "Codepage.h"
#include "QXStreamSearch.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>

namespace {

constexpr int64_t FileSize = int64_t(256) << 20;
constexpr TQXEncoding Utf8 = 130;

// The texts searched: one found near the end going forward and one near the start going
// backward. Both are absent elsewhere: the random words use no "q", and no "ъ" or "ь".
struct Needles {
    std::string name;
    QString forward;
    QString backward;
};

const Needles Latin = {"Latin", QStringLiteral("Quartz quota"), QStringLiteral("quiet Quorum")};
const Needles Cyrillic = {"Cyrillic", QStringLiteral("Объём съезда"),
                          QStringLiteral("подъезд Вьюги")};

// Double-byte texts: a Latin word and characters that the random words of the page never use.
constexpr TQXEncoding ShiftJis = 112;
constexpr TQXEncoding Gbk = 97;
const Needles Japanese = {"Japanese", QStringLiteral("USBメモリ装置"),
                          QStringLiteral("ソフトウェア更新")};
const Needles Chinese = {"Chinese", QStringLiteral("USB设备驱动"), QStringLiteral("软件更新程序")};

struct Sample {
    QString name;
    TQXEncoding encoding;
    QString path;
    std::vector<Needles> needles;
};

QByteArray Encode(const QString& text, TQXEncoding encoding) {
    if (encoding == EncodingUnicodeLE)
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    if (encoding == Utf8)
        return text.toUtf8();
    if (encoding == ShiftJis || encoding == Gbk)
        return platform::EncodeCodepage(CodepageID(encoding), text);
    return text.toLatin1();
}

// The letters of the random words: Latin, with Cyrillic words mixed in for UTF-8; for a double-byte
// page the ideographs from U+4E00 up that it holds (and kana for Shift-JIS), but none of the
// needles' characters.
QString WordLetters(const Sample& sample) {
    if (sample.encoding != ShiftJis && sample.encoding != Gbk)
        return QStringLiteral("abcdefghijklmnoprstuvwxyzABCDEFGHIJKLMNOPRSTUVWXYZ");
    QString needles;
    for (const Needles& n : sample.needles)
        needles += n.forward + n.backward;
    QString letters;
    const auto add = [&](char16_t from, char16_t to) {
        for (char16_t c = from; c <= to; ++c) {
            const QString one(QChar{c});
            if (!needles.contains(one) &&
                CodepageToUnicode(Encode(one, sample.encoding), sample.encoding) == one)
                letters += one;
        }
    };
    if (sample.encoding == ShiftJis)
        add(0x3041, 0x3093);
    add(0x4E00, 0x9FA5);
    return letters;
}

// Lines of random words; the UTF-8 file mixes in Cyrillic words.
void WriteSample(const Sample& sample) {
    std::mt19937 rng(42);
    const QString latin = WordLetters(sample);
    const QString cyrillic = QStringLiteral("абвгдежзийклмнопрстуфхцчшщыэюя");
    QFile file(sample.path);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    const int64_t forwardAt = FileSize - FileSize / 64;
    const int64_t backwardAt = FileSize / 64;
    bool forwardDone = false;
    bool backwardDone = false;
    int64_t written = 0;
    QString chunk;
    while (written < FileSize) {
        chunk.clear();
        for (int line = 0; line < 1000; ++line) {
            const int words = 6 + static_cast<int>(rng() % 10);
            for (int w = 0; w < words; ++w) {
                const bool useCyrillic = sample.encoding == Utf8 && rng() % 4 == 0;
                const QString& letters = useCyrillic ? cyrillic : latin;
                const int length = 2 + static_cast<int>(rng() % 8);
                for (int k = 0; k < length; ++k)
                    chunk.append(letters[static_cast<qsizetype>(rng() % letters.size())]);
                chunk.append(w + 1 < words ? u' ' : u'\n');
            }
        }
        if (!backwardDone && written >= backwardAt) {
            for (const Needles& n : sample.needles)
                chunk.append(n.backward + u'\n');
            backwardDone = true;
        }
        if (!forwardDone && written >= forwardAt) {
            for (const Needles& n : sample.needles)
                chunk.append(n.forward + u'\n');
            forwardDone = true;
        }
        QByteArray bytes = Encode(chunk, sample.encoding);
        bytes.truncate(static_cast<qsizetype>(std::min<int64_t>(bytes.size(), FileSize - written)));
        file.write(bytes);
        written += bytes.size();
    }
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double MegabytesPerSecond(double seconds) {
    return static_cast<double>(FileSize) / 1e6 / seconds;
}

// The best of three runs of grep -c over the file, in MB/s. The pattern's bytes go through a file
// so that those of UTF-16 text, zeros among them, reach grep as they are.
double GrepSpeed(const QString& path, const QByteArray& pattern, bool ignoreCase) {
    QFile patternFile(path + QStringLiteral(".pattern"));
    if (!patternFile.open(QIODevice::WriteOnly) || patternFile.write(pattern) != pattern.size())
        std::abort();
    patternFile.close();
    QStringList args{QStringLiteral("-a"), QStringLiteral("-F"), QStringLiteral("-c"),
                     QStringLiteral("-f"), patternFile.fileName()};
    if (ignoreCase)
        args.prepend(QStringLiteral("-i"));
    args << path;
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QProcess grep;
        const auto start = std::chrono::steady_clock::now();
        grep.start(QStringLiteral("grep"), args);
        grep.waitForFinished(-1);
        // One line holds the text: grep that found nothing measured nothing.
        if (grep.readAllStandardOutput().trimmed() != "1")
            std::abort();
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
    }
    return MegabytesPerSecond(best);
}

void SearchFile(benchmark::State& state, const Sample& sample, const Needles& needles,
                bool backward, bool caseSensitive, double grepSpeed) {
    TQXStreamSearch search;
    search.SetFileName(sample.path);
    TQXSearchOptions options;
    if (backward)
        options |= soBackward;
    if (caseSensitive)
        options |= soCaseSensitive;
    const QString& text = backward ? needles.backward : needles.forward;
    int64_t scanned = 0;
    for (auto _ : state) {
        if (!search.FindFirst(caseSensitive ? text : text.toLower(), sample.encoding, options, 0))
            state.SkipWithError("text not found");
        scanned += backward ? FileSize - search.FoundStart() : search.FoundStart();
    }
    state.SetBytesProcessed(scanned);
    // Divided by the elapsed time, these give the search's MB/s and its ratio to grep's.
    state.counters["MBps"] =
        benchmark::Counter(static_cast<double>(scanned) / 1e6, benchmark::Counter::kIsRate);
    state.counters["grep_MBps"] = grepSpeed;
    state.counters["ratio"] = benchmark::Counter(static_cast<double>(scanned) / 1e6 / grepSpeed,
                                                 benchmark::Counter::kIsRate);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const std::vector<Sample> samples = {
        {QStringLiteral("Ansi"), EncodingANSI, dir.filePath(QStringLiteral("ansi.txt")), {Latin}},
        {QStringLiteral("Utf8"), Utf8, dir.filePath(QStringLiteral("utf8.txt")), {Latin, Cyrillic}},
        {QStringLiteral("Utf16LE"),
         EncodingUnicodeLE,
         dir.filePath(QStringLiteral("utf16.txt")),
         {Latin}},
        {QStringLiteral("ShiftJis"),
         ShiftJis,
         dir.filePath(QStringLiteral("shiftjis.txt")),
         {Japanese}},
        {QStringLiteral("Gbk"), Gbk, dir.filePath(QStringLiteral("gbk.txt")), {Chinese}},
    };
    std::printf("grep runs in locale %s\n",
                qEnvironmentVariable("LC_ALL", qEnvironmentVariable("LANG", "C"))
                    .toLocal8Bit()
                    .constData());
    for (const Sample& sample : samples) {
        WriteSample(sample);
        for (const Needles& needles : sample.needles) {
            for (const bool backward : {false, true}) {
                for (const bool caseSensitive : {true, false}) {
                    const QString& text = backward ? needles.backward : needles.forward;
                    // grep gets the bytes of the file's encoding.
                    const double grepSpeed =
                        GrepSpeed(sample.path, Encode(text, sample.encoding), !caseSensitive);
                    const std::string name = "Search/" + sample.name.toStdString() + "/" +
                                             needles.name + (backward ? "/Backward" : "/Forward") +
                                             (caseSensitive ? "/Case" : "/NoCase");
                    benchmark::RegisterBenchmark(name.c_str(), SearchFile, sample, needles,
                                                 backward, caseSensitive, grepSpeed)
                        ->Unit(benchmark::kMillisecond)
                        ->UseRealTime()
                        ->Iterations(3);
                }
            }
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
