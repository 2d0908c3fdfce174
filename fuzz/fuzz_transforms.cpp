// fuzz_transforms.cpp — the image transformations against a reference model on images of any size
// up to 1 MiB with guard bytes around them, and the Intel HEX and S-record readers: arbitrary text
// must give an image or a FormatError, and a written image must read back as it was.
#include "FuzzCheck.h"
#include "ImageFormats.h"
#include "ImageTransforms.h"

#include <algorithm>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

constexpr int64_t MaxImageBytes = 1 << 20;
constexpr int64_t GuardBytes = 64;
constexpr uint8_t GuardValue = 0xA5;

// The word mirror as its outcome is defined: words counted from the top (aligned to the end)
// exchange with words counted from the bottom (aligned to 0), each pair's bytes swapped when the
// high byte comes first. On odd sizes of the form 4k + 3 the last two words share a byte, and the
// three bytes p, q, r there become q, r, p (low byte first) or r, q, p (high byte first); on 4k + 1
// the middle byte stays.
std::vector<uint8_t> MirrorWordsModel(const std::vector<uint8_t>& in, bool highByteFirst) {
    const auto n = static_cast<int64_t>(in.size());
    std::vector<uint8_t> out = in;
    if (n <= 2)
        return out;
    int64_t top = n - 2;
    int64_t bottom = 0;
    for (; top > bottom + 1; top -= 2, bottom += 2) {
        const uint8_t t0 = in[top], t1 = in[top + 1], b0 = in[bottom], b1 = in[bottom + 1];
        out[top] = highByteFirst ? b1 : b0;
        out[top + 1] = highByteFirst ? b0 : b1;
        out[bottom] = highByteFirst ? t1 : t0;
        out[bottom + 1] = highByteFirst ? t0 : t1;
    }
    if (top == bottom && highByteFirst)
        std::swap(out[top], out[top + 1]);
    if (top == bottom + 1) {
        const uint8_t p = in[bottom], q = in[bottom + 1], r = in[bottom + 2];
        out[bottom] = highByteFirst ? r : q;
        out[bottom + 1] = highByteFirst ? q : r;
        out[bottom + 2] = p;
    }
    return out;
}

// For even sizes the word mirror has a closed form; the model must agree with it there.
std::vector<uint8_t> MirrorEvenWords(const std::vector<uint8_t>& in, bool highByteFirst) {
    const size_t words = in.size() / 2;
    std::vector<uint8_t> out(in.size());
    for (size_t k = 0; k < words; ++k) {
        const size_t source = 2 * (words - 1 - k);
        out[2 * k] = in[source + (highByteFirst ? 1 : 0)];
        out[2 * k + 1] = in[source + (highByteFirst ? 0 : 1)];
    }
    return out;
}

void CheckTransform(FuzzedDataProvider& fdp) {
    const int64_t n = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<int64_t>(0, 64)
                                        : fdp.ConsumeIntegralInRange<int64_t>(0, MaxImageBytes);
    const int operation = fdp.ConsumeIntegralInRange(0, 4);
    const bool order = fdp.ConsumeBool();
    const int dataSizeIndex = fdp.ConsumeIntegralInRange(-1, 3);
    fuzz::Rng rng(fdp.ConsumeIntegral<uint64_t>());

    std::vector<uint8_t> original(static_cast<size_t>(n));
    for (uint8_t& b : original)
        b = static_cast<uint8_t>(rng.Next());
    std::vector<uint8_t> storage(static_cast<size_t>(n + 2 * GuardBytes), GuardValue);
    std::copy(original.begin(), original.end(), storage.begin() + GuardBytes);
    uint8_t* image = storage.data() + GuardBytes;

    std::vector<uint8_t> expected = original;
    switch (operation) {
    case 0:
        MirrorBytes(image, n);
        expected.assign(original.rbegin(), original.rend());
        break;
    case 1:
        MirrorWords(image, n, order);
        expected = MirrorWordsModel(original, order);
        if (n % 2 == 0 && n > 2)
            FUZZ_CHECK(expected == MirrorEvenWords(original, order));
        break;
    case 2:
        MirrorByDataSize(image, n, dataSizeIndex, order);
        if (dataSizeIndex == 0)
            expected.assign(original.rbegin(), original.rend());
        else if (dataSizeIndex == 1)
            expected = MirrorWordsModel(original, /*highByteFirst=*/!order);
        break;
    case 3:
        InvertBytes(image, n);
        for (uint8_t& b : expected)
            b = static_cast<uint8_t>(~b);
        break;
    default:
        // Twice is nothing for the byte mirror, the inversion and, on even sizes, the word mirror.
        MirrorBytes(image, n);
        InvertBytes(image, n);
        if (n % 2 == 0) {
            MirrorWords(image, n, order);
            MirrorWords(image, n, order);
        }
        InvertBytes(image, n);
        MirrorBytes(image, n);
        break;
    }
    FUZZ_CHECK(std::equal(expected.begin(), expected.end(), image));
    for (int64_t i = 0; i < GuardBytes; ++i) {
        FUZZ_CHECK(storage[i] == GuardValue);
        FUZZ_CHECK(storage[GuardBytes + n + i] == GuardValue);
    }
}

void CheckParse(FuzzedDataProvider& fdp) {
    const bool srecord = fdp.ConsumeBool();
    const auto fill = fdp.ConsumeIntegral<uint8_t>();
    const std::string text = fdp.ConsumeRemainingBytesAsString();
    try {
        const tool::AddressedImage image =
            srecord ? tool::ParseSRecord(text, fill) : tool::ParseIntelHex(text, fill);
        FUZZ_CHECK(image.origin >= 0);
        FUZZ_CHECK(static_cast<int64_t>(image.bytes.size()) <= tool::MaxImageSize);
    } catch (const tool::FormatError& e) {
        FUZZ_CHECK(e.Line >= 0);
    }
}

void CheckRoundTrip(FuzzedDataProvider& fdp) {
    const bool srecord = fdp.ConsumeBool();
    static constexpr int HexRecords[] = {0, 8, 16, 32};
    static constexpr int SRecords[] = {0, 1, 2, 3};
    const int records = (srecord ? SRecords : HexRecords)[fdp.ConsumeIntegralInRange(0, 3)];
    tool::AddressedImage image;
    image.origin = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<int64_t>(0, 0x20000)
                                     : fdp.ConsumeIntegralInRange<int64_t>(0, 0xFFFFFFFF);
    if (fdp.ConsumeBool())
        image.entry = fdp.ConsumeIntegral<uint32_t>() >> fdp.ConsumeIntegralInRange(0, 31);
    const auto count = fdp.ConsumeIntegralInRange<size_t>(0, 70000);
    fuzz::Rng rng(fdp.ConsumeIntegral<uint64_t>());
    image.bytes.resize(count);
    for (uint8_t& b : image.bytes)
        b = static_cast<uint8_t>(rng.Next());

    // The highest address the records chosen can give; the automatic choice reaches 4 GiB.
    uint64_t limit = uint64_t{1} << 32;
    if (srecord && records > 0)
        limit = uint64_t{1} << (8 * (records + 1));
    else if (!srecord && records == 8)
        limit = 0x10000;
    else if (!srecord && records == 16)
        limit = 0x100000;
    const uint64_t end = static_cast<uint64_t>(image.origin) + image.bytes.size();
    const bool fits = end <= limit && (!image.entry || *image.entry < limit);

    std::string text;
    try {
        text = srecord ? tool::WriteSRecord(image, records) : tool::WriteIntelHex(image, records);
    } catch (const tool::FormatError& e) {
        FUZZ_CHECK(e.Line == 0);
        FUZZ_CHECK(!fits);
        return;
    }
    FUZZ_CHECK(fits);
    const tool::AddressedImage back =
        srecord ? tool::ParseSRecord(text, 0x00) : tool::ParseIntelHex(text, 0x00);
    FUZZ_CHECK(back.bytes == image.bytes);
    FUZZ_CHECK(back.origin == (image.bytes.empty() ? 0 : image.origin));
    if (srecord)
        FUZZ_CHECK(back.entry.value_or(0) == image.entry.value_or(0));
    else
        FUZZ_CHECK(back.entry == image.entry);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    switch (fdp.ConsumeIntegralInRange(0, 2)) {
    case 0:
        CheckTransform(fdp);
        break;
    case 1:
        CheckParse(fdp);
        break;
    default:
        CheckRoundTrip(fdp);
        break;
    }
    return 0;
}
