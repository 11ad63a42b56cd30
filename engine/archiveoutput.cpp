// Archive outputs with position counting and the 4 GiB limit.
#include "engine/archiveoutput.h"

#include <algorithm>
#include <cstring>

#include "engine/zipformat.h"

namespace vorlanth {

namespace {
constexpr size_t kFileBuffer = 1 << 16;
}

void ArchiveOutput::Write(const void* bytes, size_t count) {
  if (FPosition + count > kMaxSize) {
    throw EZipError(
        "The zip file would reach 4 GiB: offsets beyond 4294967295 bytes need ZIP64 records.");
  }
  Append(static_cast<const uint8_t*>(bytes), count);
  FPosition += count;
}

void ArchiveOutput::CopyFrom(Stream& source, uint64_t count) {
  std::vector<uint8_t> piece(size_t(std::min<uint64_t>(count, kFileBuffer)));
  while (count > 0) {
    size_t n = size_t(std::min<uint64_t>(count, piece.size()));
    source.ReadBuffer(piece.data(), int64_t(n));
    Write(piece.data(), n);
    count -= n;
  }
}

FileArchiveOutput::FileArchiveOutput(FileStream& file) : FFile(file) {
  FBuffer.reserve(kFileBuffer);
}

void FileArchiveOutput::Append(const uint8_t* bytes, size_t count) {
  if (FBuffer.size() + count > kFileBuffer) Flush();
  if (count >= kFileBuffer) {
    FFile.WriteBuffer(bytes, int64_t(count));
  } else {
    FBuffer.insert(FBuffer.end(), bytes, bytes + count);
  }
}

void FileArchiveOutput::Flush() {
  FFile.WriteBuffer(FBuffer.data(), int64_t(FBuffer.size()));
  FBuffer.clear();
}

void MemoryArchiveOutput::Reserve(uint64_t count) {
  // Grow geometrically: an exact reservation per entry would copy the archive once per entry.
  size_t needed = FStream.Bytes().size() + size_t(count);
  size_t capacity = FStream.Bytes().capacity();
  if (needed > capacity) FStream.Reserve(int64_t(std::max(needed, capacity * 2)));
}

void MemoryArchiveOutput::Append(const uint8_t* bytes, size_t count) {
  FStream.WriteBuffer(bytes, int64_t(count));
}

}  // namespace vorlanth
