// Where a build writes its bytes: a file (buffered) or the writer's memory stream.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/streams.h"

namespace vorlanth {

// Appends bytes to the archive being built and counts them. A position that would pass
// 4 GiB - 1 fails with EZipError: no header field could hold the offsets beyond it.
class ArchiveOutput {
 public:
  virtual ~ArchiveOutput() = default;

  void Write(const void* bytes, size_t count);
  // Copies `count` bytes from `source`'s position.
  void CopyFrom(Stream& source, uint64_t count);
  uint64_t Position() const { return FPosition; }
  // Makes room for `count` more bytes (a hint).
  virtual void Reserve(uint64_t count) = 0;
  // Writes out anything still buffered.
  virtual void Flush() = 0;

 protected:
  virtual void Append(const uint8_t* bytes, size_t count) = 0;

 private:
  uint64_t FPosition = 0;
};

class FileArchiveOutput final : public ArchiveOutput {
 public:
  explicit FileArchiveOutput(FileStream& file);
  void Reserve(uint64_t) override {}
  void Flush() override;

 private:
  void Append(const uint8_t* bytes, size_t count) override;

  FileStream& FFile;
  std::vector<uint8_t> FBuffer;
};

class MemoryArchiveOutput final : public ArchiveOutput {
 public:
  explicit MemoryArchiveOutput(MemoryStream& stream) : FStream(stream) {}
  void Reserve(uint64_t count) override;
  void Flush() override {}

 private:
  void Append(const uint8_t* bytes, size_t count) override;

  MemoryStream& FStream;
};

}  // namespace vorlanth
