// Cached read-only file streams: block loads with pread, a view window, read sharing by flock.
#include "support/bufferedfilestream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vorlanth {

TBaseCachedFileStream::TBaseCachedFileStream(std::u16string_view fileName, int32_t cacheSize,
                                             int handle)
    : FCacheSize(cacheSize > 0 ? cacheSize : kDefaultCacheSize), FFileName(fileName) {
  FCache = std::make_unique_for_overwrite<uint8_t[]>(size_t(FCacheSize));
  if (handle != kNoHandle) FHandle = handle;
}

TBaseCachedFileStream::~TBaseCachedFileStream() {
  if (FOwnsHandle && FHandle != kNoHandle) ::close(FHandle);
}

int64_t TBaseCachedFileStream::Read(void*, int64_t) {
  throw EAssertionFailed("Cannot read from this stream");
}

int64_t TBaseCachedFileStream::Write(const void*, int64_t) {
  throw EAssertionFailed("Cannot write to this stream");
}

int64_t TBaseCachedFileStream::Seek(int64_t offset, SeekOrigin origin) {
  switch (origin) {
    case SeekOrigin::Begin:
      FPosition = offset;
      break;
    case SeekOrigin::Current:
      FPosition += offset;
      break;
    case SeekOrigin::End:
      FPosition = QueryFileSize() + offset;
      break;
  }
  return FPosition;
}

void TBaseCachedFileStream::SetSize(int64_t size) {
  FPosition = size;
  if (size < 0) RaiseSystemError("SetFilePointerEx failed for %s.", EINVAL);
  if (::ftruncate(FHandle, off_t(size)) != 0) RaiseSystemError("SetEndOfFile for %s.", errno);
  FCacheStart = FCacheEnd = 0;
}

int64_t TBaseCachedFileStream::QueryFileSize() {
  struct stat info {};
  if (::fstat(FHandle, &info) != 0) RaiseSystemError("GetFileSizeEx failed for %s.", errno);
  return info.st_size;
}

void TBaseCachedFileStream::RaiseSystemError(const char* pattern, int errorNumber) const {
  std::string message = pattern;
  size_t slot = message.find("%s");
  if (slot != std::string::npos) message.replace(slot, 2, ToUtf8(FFileName));
  throw EStreamError(message + "  " + SystemErrorText(errorNumber));
}

TReadOnlyCachedFileStream::TReadOnlyCachedFileStream(std::u16string_view fileName,
                                                     int32_t cacheSize, int handle)
    : TBaseCachedFileStream(fileName, cacheSize, handle) {
  if (FHandle == kNoHandle) {
    FHandle = OpenFileHandle();
    FOwnsHandle = true;
  }
  SetViewWindow(0, TBaseCachedFileStream::QueryFileSize());
}

int TReadOnlyCachedFileStream::OpenFileHandle() {
  int fd = ::open(ToSystemPath(FFileName).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseSystemError("Cannot open %s.", errno);
  struct stat info {};
  int error = 0;
  if (::fstat(fd, &info) != 0) {
    error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
  } else if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    // Read sharing: refused while one of our writers holds the file exclusively.
    error = errno;
  }
  if (error != 0) {
    ::close(fd);
    RaiseSystemError("Cannot open %s.", error);
  }
  return fd;
}

void TReadOnlyCachedFileStream::SetViewWindow(int64_t viewStart, int64_t viewLength) {
  int64_t fileSize = TBaseCachedFileStream::QueryFileSize();
  if (viewStart < 0 || viewLength < 0 || viewStart > fileSize || viewLength > fileSize - viewStart)
    throw EAssertionFailed("Invalid view window");
  FViewStart = viewStart;
  FViewLength = viewLength;
  FPosition = 0;
  FCacheStart = FCacheEnd = 0;
}

int64_t TReadOnlyCachedFileStream::RawRead(int64_t offset, uint8_t* buffer, int64_t count) {
  int64_t total = 0;
  while (total < count) {
    ssize_t n = ::pread(FHandle, buffer + total, size_t(count - total), off_t(offset + total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    total += n;
  }
  return total;
}

bool TReadOnlyCachedFileStream::LoadBlock() {
  int64_t start = FPosition;
  if (FUseAlignedCache) start -= start % FCacheSize;
  FCacheStart = FCacheEnd = 0;
  int64_t n =
      RawRead(FViewStart + start, FCache.get(), std::min<int64_t>(FCacheSize, FViewLength - start));
  if (n < 0) {
    FLastError = uint32_t(errno);
    return false;
  }
  FCacheStart = start;
  FCacheEnd = start + n;
  // Only a file that shrank under the stream can leave the position outside the block.
  FLastError = FPosition < FCacheEnd ? 0 : kEndOfFileError;
  return FLastError == 0;
}

int64_t TReadOnlyCachedFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (FPosition < 0) {
    FCacheStart = FCacheEnd = 0;
    RaiseSystemError("SetFilePointerEx failed for %s.", EINVAL);
  }
  // Nothing beyond the view is served, so a window never exposes the rest of the file.
  count = std::min(count, FViewLength - FPosition);
  if (count <= 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);

  if (FDisableStreamReadCacheRefCount > 0) {
    int64_t n = RawRead(FViewStart + FPosition, out, count);
    FLastError = n < 0 ? uint32_t(errno) : 0;
    n = std::max<int64_t>(n, 0);
    FPosition += n;
    return n;
  }

  int64_t done = 0;
  while (done < count) {
    if ((FPosition < FCacheStart || FPosition >= FCacheEnd) && !LoadBlock()) break;
    int64_t n = std::min(count - done, FCacheEnd - FPosition);
    std::memcpy(out + done, FCache.get() + (FPosition - FCacheStart), size_t(n));
    FPosition += n;
    done += n;
  }
  return done;
}

}  // namespace vorlanth
