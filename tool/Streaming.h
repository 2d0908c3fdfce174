// Streaming.h — the commands' transformations applied block by block from a source to a writer,
// so that memory stays bounded by the block size whatever the size of the image.
#pragma once

#include "BusTransforms.h"
#include "ByteStreams.h"
#include "ImageFormats.h"

#include <functional>
#include <string>
#include <vector>

namespace tool {

// The size of the blocks read and written: 1 MiB unless set otherwise. Tests set a few bytes to
// cross block boundaries with small images; the value is rounded up to a multiple of 8.
int64_t StreamBlockSize();
void SetStreamBlockSize(int64_t bytes);

// Which byte of an n-byte image the window's word mirror (MirrorWords) puts at offset i: every
// output byte is some input byte, n <= 2 leaves the image as it is, and at most the last swap in
// the middle (2 to 5 bytes) follows the window's function's overlap rules for odd n.
int64_t MirrorWordSource(int64_t i, int64_t n, bool highByteFirst);

// The source's bytes [from, to) read in blocks of StreamBlockSize(), each handed to visit in order.
void ReadInBlocks(ByteSource& source, int64_t from, int64_t to,
                  const std::function<void(const uint8_t*, int64_t)>& visit);

// Each of these appends source.size() bytes (or, for split, that many in all) and leaves
// finish() to the caller.

// The bytes in blocks (multiples of 8 bytes), each changed in place by change.
void StreamChanged(ByteSource& source, ImageWriter& writer,
                   const std::function<void(uint8_t*, int64_t)>& change);
// The bytes of source at ranges (in order, disjoint), with writer.gap(n, fill) over the offsets
// between them: the writer's image starts at the first range. The bytes are read in blocks that
// start and end at multiples of unit, each changed in place by change before the part inside the
// range is appended; the source must hold the whole unit around each range's end.
void StreamRanges(ByteSource& source, ImageWriter& writer, const std::vector<DataRange>& ranges,
                  int64_t unit, uint8_t fill, const std::function<void(uint8_t*, int64_t)>& change);
// Where reversing the bytes of each aligned wordSize-byte word (offset i to i ^ (wordSize - 1))
// moves the bytes at ranges: the ranges that hold them afterwards, in order and merged.
std::vector<DataRange> SwappedRanges(const std::vector<DataRange>& ranges, int64_t wordSize);
// The window's mirror (MirrorByDataSize) read from both ends of the source.
void StreamMirror(ByteSource& source, ImageWriter& writer, int dataSizeIndex, bool lowByteFirst);
// Scramble over the source's blocks of 2^lines bytes (its size must be a multiple of one).
void StreamScramble(ByteSource& source, ImageWriter& writer, const BusWiring& wiring,
                    ScrambleDirection direction);
// SplitWays: unit k of width bytes to parts[k mod parts.size()]; the size must be a multiple of
// parts.size() * width.
void StreamSplit(ByteSource& source, const std::vector<ImageWriter*>& parts, int width);
// InterleaveWays over sources of one size, a multiple of width.
void StreamInterleave(const std::vector<ByteSource*>& parts, ImageWriter& writer, int width);
// ChecksumReport of the source.
std::string StreamChecksumReport(ByteSource& source);

} // namespace tool
