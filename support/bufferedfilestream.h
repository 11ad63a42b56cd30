// Read-only file streams that serve small reads from one cached block of the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/streams.h"

namespace vorlanth {

// Lets a caller switch a stream's read cache off for a while, e.g. around one large read that
// would only churn the block. Suspensions nest: each suspend needs its own resume.
class IDisableStreamReadCache {
 public:
  virtual ~IDisableStreamReadCache() = default;
  virtual void SuspendReadCache() = 0;
  virtual void ResumeReadCache() = 0;
};

// Base of the cached file streams: the file descriptor, the cache block, the 64-bit position
// and the error reporting. Seeking never calls the system and accepts any position; only a
// later read meets it. System failures raise EStreamError whose message is the pattern with
// the file name, two blanks and the system's text:
//   "GetFileSizeEx failed for %s."     the open file's size cannot be read
//   "SetFilePointerEx failed for %s."  a read at a negative file offset
//   "SetEndOfFile for %s."             SetSize: the file cannot be cut or extended there
// Writing raises EAssertionFailed "Cannot write to this stream"; reading through the base
// "Cannot read from this stream".
class TBaseCachedFileStream : public Stream {
 public:
  static constexpr int kNoHandle = -1;
  static constexpr int32_t kDefaultCacheSize = 16384;
  // Recorded as the last error when a block load finds no data (the system's end-of-file code).
  static constexpr uint32_t kEndOfFileError = 38;

  ~TBaseCachedFileStream() override;
  TBaseCachedFileStream(const TBaseCachedFileStream&) = delete;
  TBaseCachedFileStream& operator=(const TBaseCachedFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  // Moves the position to `size` and ends the file there.
  void SetSize(int64_t size) override;

  int32_t CacheSize() const { return FCacheSize; }
  const std::u16string& FileName() const { return FFileName; }

 protected:
  // Keeps `handle` when it is given (the caller keeps owning it); otherwise the derived
  // constructor opens the file, since a base constructor cannot reach its override of
  // OpenFileHandle. A cacheSize of 0 or less means kDefaultCacheSize.
  TBaseCachedFileStream(std::u16string_view fileName, int32_t cacheSize, int handle);

  virtual int OpenFileHandle() = 0;
  // The size the stream shows: here the open file's size.
  virtual int64_t QueryFileSize();

  // Raises EStreamError with the pattern (one "%s" for the file name) and errno's text.
  [[noreturn]] void RaiseSystemError(const char* pattern, int errorNumber) const;

  int FHandle = kNoHandle;
  bool FOwnsHandle = false;
  std::unique_ptr<uint8_t[]> FCache;
  int32_t FCacheSize;
  int64_t FPosition = 0;
  // Stream positions of the first byte held in the cache and one past the last valid one.
  int64_t FCacheStart = 0;
  int64_t FCacheEnd = 0;
  std::u16string FFileName;
  // Outcome of the last raw read: 0, errno of a failed read, or kEndOfFileError when a block
  // load found no data.
  uint32_t FLastError = 0;
};

// A read-only cached stream over a window (view) of a file; the view is the whole stream.
// Opening takes read sharing: the file is opened read-only with a shared lock, so a file that
// one of our writers holds exclusively cannot be opened, and while the stream lives our
// writers cannot open the file ("Cannot open %s." plus the system's text in either case).
//
// A read at a position outside the cached block loads one block of CacheSize() bytes starting
// there (at a multiple of CacheSize() with UseAlignedCache) and copies from it; reads that
// span blocks are served block by block. A read stops at the end of the view and returns fewer
// bytes than asked there; it raises only for a negative position.
class TReadOnlyCachedFileStream : public TBaseCachedFileStream, public IDisableStreamReadCache {
 public:
  explicit TReadOnlyCachedFileStream(std::u16string_view fileName, int32_t cacheSize = 0,
                                     int handle = kNoHandle);

  int64_t Read(void* buffer, int64_t count) override;

  // Makes `viewLength` bytes of the file from `viewStart` on the stream: position 0 reads
  // file offset viewStart, and the size is viewLength. Fails with EAssertionFailed
  // "Invalid view window" (and changes nothing) unless 0 <= viewStart, 0 <= viewLength and
  // viewStart + viewLength <= the file's size. Rewinds and empties the cache.
  void SetViewWindow(int64_t viewStart, int64_t viewLength);

  bool UseAlignedCache() const { return FUseAlignedCache; }
  void SetUseAlignedCache(bool value) { FUseAlignedCache = value; }

  // While suspended, each read is one system read straight into the caller's buffer.
  void SuspendReadCache() override { ++FDisableStreamReadCacheRefCount; }
  void ResumeReadCache() override { --FDisableStreamReadCacheRefCount; }

 protected:
  int OpenFileHandle() override;
  int64_t QueryFileSize() override { return FViewLength; }
  // The one system read every block load and every uncached read goes through: up to
  // `count` bytes at file offset `offset`; -1 on failure with errno set.
  virtual int64_t RawRead(int64_t offset, uint8_t* buffer, int64_t count);

 private:
  // Loads the block that serves `FPosition`; false when nothing could be loaded.
  bool LoadBlock();

  bool FUseAlignedCache = false;
  int64_t FViewStart = 0;
  int64_t FViewLength = 0;
  int32_t FDisableStreamReadCacheRefCount = 0;
};

}  // namespace vorlanth
