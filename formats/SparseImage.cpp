// SparseImage.cpp — the sparse image's chunked pool, its reads, and the runs built from records.
#include "SparseImage.h"

#include "ImageFormats.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tool {

void SparseImage::copyFromPool(int64_t poolOffset, uint8_t* to, int64_t n) const {
    while (n > 0) {
        const int64_t within = poolOffset % PoolChunkBytes;
        const int64_t take = std::min(n, PoolChunkBytes - within);
        std::memcpy(to, chunks_[static_cast<size_t>(poolOffset / PoolChunkBytes)].get() + within,
                    static_cast<size_t>(take));
        poolOffset += take;
        to += take;
        n -= take;
    }
}

int64_t SparseImage::firstDifference(int64_t a, int64_t b, int64_t n) const {
    for (int64_t done = 0; done < n;) {
        const int64_t withinA = (a + done) % PoolChunkBytes, withinB = (b + done) % PoolChunkBytes;
        const int64_t take =
            std::min({n - done, PoolChunkBytes - withinA, PoolChunkBytes - withinB});
        const uint8_t* x =
            chunks_[static_cast<size_t>((a + done) / PoolChunkBytes)].get() + withinA;
        const uint8_t* y =
            chunks_[static_cast<size_t>((b + done) / PoolChunkBytes)].get() + withinB;
        if (std::memcmp(x, y, static_cast<size_t>(take)) != 0)
            return done + (std::mismatch(x, x + take, y).first - x);
        done += take;
    }
    return -1;
}

void SparseImage::read(int64_t offset, uint8_t* to, int64_t n) {
    const int64_t from = origin + offset;
    // The first run that ends after from, then every run that starts before the range's end; the
    // bytes between them are fill.
    auto run = std::upper_bound(runs_.begin(), runs_.end(), from,
                                [](int64_t a, const Run& r) { return a < r.address + r.length; });
    int64_t at = from;
    for (; run != runs_.end() && run->address < from + n; ++run) {
        const int64_t start = std::max(run->address, from);
        const int64_t end = std::min(run->address + run->length, from + n);
        std::fill(to + (at - from), to + (start - from), fill_);
        copyFromPool(run->poolOffset + (start - run->address), to + (start - from), end - start);
        at = end;
    }
    std::fill(to + (at - from), to + n, fill_);
}

std::vector<DataRange> SparseImage::ranges() const {
    std::vector<DataRange> ranges;
    for (const Run& run : runs_) {
        const int64_t offset = run.address - origin;
        if (!ranges.empty() && ranges.back().offset + ranges.back().length == offset)
            ranges.back().length += run.length;
        else
            ranges.push_back({offset, run.length});
    }
    return ranges;
}

int64_t SparseImage::dataBytes() const {
    int64_t total = 0;
    for (const Run& run : runs_)
        total += run.length;
    return total;
}

void SparseImageBuilder::notePeak(int64_t transient) {
    const int64_t held =
        static_cast<int64_t>(image_.chunks_.size()) * SparseImage::PoolChunkBytes +
        static_cast<int64_t>(image_.chunks_.capacity() * sizeof(image_.chunks_[0]) +
                             image_.runs_.capacity() * sizeof(SparseImage::Run));
    image_.peakHeld_ = std::max(image_.peakHeld_, held + transient);
}

void SparseImageBuilder::append(const uint8_t* bytes, int64_t n) {
    auto& chunks = image_.chunks_;
    while (n > 0) {
        const int64_t within = image_.poolBytes_ % SparseImage::PoolChunkBytes;
        if (within == 0 && image_.poolBytes_ / SparseImage::PoolChunkBytes ==
                               static_cast<int64_t>(chunks.size())) {
            const size_t before = chunks.capacity();
            chunks.push_back(
                std::make_unique_for_overwrite<uint8_t[]>(SparseImage::PoolChunkBytes));
            notePeak(
                chunks.capacity() == before ? 0 : static_cast<int64_t>(before * sizeof(chunks[0])));
        }
        const int64_t take = std::min(n, SparseImage::PoolChunkBytes - within);
        std::memcpy(chunks.back().get() + within, bytes, static_cast<size_t>(take));
        image_.poolBytes_ += take;
        bytes += take;
        n -= take;
    }
}

void SparseImageBuilder::startRun(int64_t address, int64_t n) {
    auto& runs = image_.runs_;
    if (runs.empty()) {
        low_ = address;
    } else {
        // Below the highest end so far, the run may overlap another or lie before it.
        ordered_ = ordered_ && address >= high_;
        low_ = std::min(low_, address);
    }
    const size_t before = runs.capacity();
    runs.push_back({address, image_.poolBytes_, n});
    notePeak(runs.capacity() == before ? 0
                                       : static_cast<int64_t>(before * sizeof(SparseImage::Run)));
}

void SparseImageBuilder::add(int64_t address, const uint8_t* bytes, int64_t n) {
    if (n <= 0)
        return;
    auto& runs = image_.runs_;
    // The last run's bytes end the pool, so a record that continues it extends it in place.
    if (!runs.empty() && runs.back().address + runs.back().length == address)
        runs.back().length += n;
    else
        startRun(address, n);
    append(bytes, n);
    high_ = std::max(high_, address + n);
}

SparseImage SparseImageBuilder::take() {
    auto& runs = image_.runs_;
    if (runs.empty())
        return std::move(image_);
    if (high_ - low_ > MaxInputSize)
        throw FormatError(0, "the records span 0x" + HexDigits(low_, 8) + " to 0x" +
                                 HexDigits(high_ - 1, 8) + ", more than the " +
                                 std::to_string(MaxInputSize >> 30) + " GiB the tool takes");
    if (!ordered_) {
        // By address, and for one address in the order read; the pool is in the order read.
        std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) {
            return a.address != b.address ? a.address < b.address : a.poolOffset < b.poolOffset;
        });
        // Every run kept so far starts at or below the next one, so the kept runs cover all of
        // [next start, highest end) and nothing above: the next run's bytes below that end must
        // equal theirs, and only its bytes above it are new. Runs are compacted in place.
        size_t kept = 0;
        int64_t end = runs.front().address;
        for (const SparseImage::Run& next : runs) {
            const int64_t overlapEnd = std::min(end, next.address + next.length);
            auto over = std::upper_bound(
                runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(kept), next.address,
                [](int64_t a, const auto& r) { return a < r.address + r.length; });
            for (; over != runs.begin() + static_cast<std::ptrdiff_t>(kept) &&
                   over->address < overlapEnd;
                 ++over) {
                const int64_t start = std::max(over->address, next.address);
                const int64_t stop = std::min(over->address + over->length, overlapEnd);
                const int64_t differs =
                    image_.firstDifference(over->poolOffset + (start - over->address),
                                           next.poolOffset + (start - next.address), stop - start);
                if (differs >= 0)
                    throw Conflict{start + differs};
            }
            const int64_t nextEnd = next.address + next.length;
            const int64_t newStart = std::max(end, next.address);
            if (nextEnd > newStart) {
                runs[kept++] = {newStart, next.poolOffset + (newStart - next.address),
                                nextEnd - newStart};
                end = nextEnd;
            }
        }
        runs.resize(kept);
    }
    image_.origin = low_;
    image_.span_ = high_ - low_;
    return std::move(image_);
}

} // namespace tool
