// Entry content out of stored or raw deflate data, with size and CRC-32 checks.
#include "engine/entrydecoder.h"

#include <algorithm>
#include <new>

namespace vorlanth {

namespace {

// Large pieces keep system calls and cache-stream copies rare against the work of inflating.
constexpr uint32_t kPieceSize = 65536;

}  // namespace

EEntryCheckFailed::EEntryCheckFailed(const ZipString& entryName)
    : EZipError(u"CRC error - " + entryName) {}

EntryDecoder::EntryDecoder()
    : FInput(std::make_unique_for_overwrite<uint8_t[]>(kPieceSize)),
      FOutput(std::make_unique_for_overwrite<uint8_t[]>(kPieceSize)) {
  // Negative window bits: bare deflate data, as entries store it.
  if (inflateInit2(&FStream, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
}

EntryDecoder::~EntryDecoder() {
  inflateEnd(&FStream);
}

void EntryDecoder::Decode(Stream& source, const TZipRec& record, Stream& target) {
  uint32_t crc = record.CompressionMethod == kMethodStored ? Copy(source, record, target)
                                                           : Inflate(source, record, target);
  if (crc != record.CRC) throw EEntryCheckFailed(record.FileName);
}

uint32_t EntryDecoder::Copy(Stream& source, const TZipRec& record, Stream& target) {
  if (record.CompressedSize != record.UncompressedSize) throw EEntryCheckFailed(record.FileName);
  uLong crc = 0;
  for (uint32_t left = record.CompressedSize; left > 0;) {
    uint32_t n = std::min(left, kPieceSize);
    source.ReadBuffer(FInput.get(), n);
    crc = crc32(crc, FInput.get(), n);
    target.WriteBuffer(FInput.get(), n);
    left -= n;
  }
  return uint32_t(crc);
}

uint32_t EntryDecoder::Inflate(Stream& source, const TZipRec& record, Stream& target) {
  // No data at all is taken as empty content rather than as a deflate stream cut short.
  if (record.CompressedSize == 0) {
    if (record.UncompressedSize != 0) throw EEntryCheckFailed(record.FileName);
    return 0;
  }
  if (inflateReset(&FStream) != Z_OK) throw std::bad_alloc();
  FStream.avail_in = 0;
  uint32_t inputLeft = record.CompressedSize;
  uint64_t produced = 0;
  uLong crc = 0;
  for (;;) {
    if (FStream.avail_in == 0 && inputLeft > 0) {
      uint32_t n = std::min(inputLeft, kPieceSize);
      source.ReadBuffer(FInput.get(), n);
      inputLeft -= n;
      FStream.next_in = FInput.get();
      FStream.avail_in = n;
    }
    // Room for one byte past the recorded size: enough to see an overlong entry, no more.
    uint64_t room = uint64_t(record.UncompressedSize) - produced + 1;
    FStream.next_out = FOutput.get();
    FStream.avail_out = uInt(std::min<uint64_t>(kPieceSize, room));
    int result = inflate(&FStream, Z_NO_FLUSH);
    size_t n = size_t(FStream.next_out - FOutput.get());
    if (n > 0) {
      produced += n;
      if (produced > record.UncompressedSize) throw EEntryCheckFailed(record.FileName);
      crc = crc32(crc, FOutput.get(), uInt(n));
      target.WriteBuffer(FOutput.get(), int64_t(n));
    }
    if (result == Z_STREAM_END) break;
    if (result == Z_MEM_ERROR) throw std::bad_alloc();
    if (result == Z_BUF_ERROR) {
      // No progress is possible only when the data is used up before the last block.
      if (FStream.avail_in == 0 && inputLeft == 0) throw EEntryCheckFailed(record.FileName);
    } else if (result != Z_OK) {
      throw EZipError(zError(result));
    }
  }
  if (produced != record.UncompressedSize) throw EEntryCheckFailed(record.FileName);
  return uint32_t(crc);
}

}  // namespace vorlanth
