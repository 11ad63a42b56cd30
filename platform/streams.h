// Byte streams: the base the engine reads and writes through, a memory stream and a file stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlanth {

enum class SeekOrigin { Begin, Current, End };

// A seekable byte stream with a 64-bit position. Read returns fewer bytes than asked only at
// the end of the data; the Buffer forms fail instead ("Stream read error", "Stream write error").
class Stream {
 public:
  virtual ~Stream() = default;

  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::Begin); }

  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);

  // Copies exactly count bytes from source's position to this stream's position, in pieces of
  // at most pieceSize bytes; fails with "Stream read error" when source ends first.
  void CopyFrom(Stream& source, int64_t count, int64_t pieceSize = 65536);
};

// A growable in-memory stream. Seeking past the end is allowed; writing there fills the gap
// with zeros.
class MemoryStream final : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<uint8_t> bytes) : FBytes(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return int64_t(FBytes.size()); }
  void SetSize(int64_t size) override;

  // Empties the stream and releases its memory.
  void Clear();
  void Reserve(int64_t capacity) { FBytes.reserve(size_t(capacity)); }

  const std::vector<uint8_t>& Bytes() const { return FBytes; }
  std::vector<uint8_t>& Bytes() { return FBytes; }
  const uint8_t* Data() const { return FBytes.data(); }

 private:
  std::vector<uint8_t> FBytes;
  int64_t FPosition = 0;
};

enum class FileMode {
  Create,         // create or truncate; read and write
  OpenRead,       // an existing file, read only
  OpenReadWrite,  // an existing file, read and write
};

// What other openers of the same file may do meanwhile. Enforced among this system's own
// openers with non-blocking flock: an open that the mode of an earlier open forbids fails.
enum class ShareMode {
  Exclusive,  // not shared: no other opener
  DenyWrite,  // read sharing: other readers only
  DenyNone,   // read and write sharing: no restriction
};

// A file on disk. Opening fails with EStreamError "Cannot create file ..." or
// "Cannot open file ..." followed by the system's text.
class FileStream final : public Stream {
 public:
  FileStream(std::u16string_view path, FileMode mode, ShareMode share);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;

  const std::u16string& FileName() const { return FFileName; }
  int Descriptor() const { return FDescriptor; }

 private:
  [[noreturn]] void Fail(const char* what) const;

  std::u16string FFileName;
  int FDescriptor = -1;
};

// Appends the UTF-8 form of text at the stream's position: no byte-order mark, no terminator.
void WriteTextToStream(Stream& stream, std::u16string_view text);

}  // namespace vorlanth
