// Stream base operations, the memory stream and the POSIX file stream.
#include "platform/streams.h"

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

int64_t Stream::Size() {
  int64_t position = Position();
  int64_t size = Seek(0, SeekOrigin::End);
  SetPosition(position);
  return size;
}

void Stream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void Stream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

void Stream::CopyFrom(Stream& source, int64_t count, int64_t pieceSize) {
  std::vector<uint8_t> piece(size_t(std::clamp<int64_t>(count, 1, pieceSize)));
  while (count > 0) {
    int64_t n = std::min<int64_t>(count, int64_t(piece.size()));
    source.ReadBuffer(piece.data(), n);
    WriteBuffer(piece.data(), n);
    count -= n;
  }
}

int64_t MemoryStream::Read(void* buffer, int64_t count) {
  int64_t available = std::max<int64_t>(0, Size() - FPosition);
  int64_t n = std::clamp<int64_t>(count, 0, available);
  if (n > 0) std::memcpy(buffer, FBytes.data() + FPosition, size_t(n));
  FPosition += n;
  return n;
}

int64_t MemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || FPosition < 0) return 0;
  int64_t end = FPosition + count;
  if (end > Size()) FBytes.resize(size_t(end));
  std::memcpy(FBytes.data() + FPosition, buffer, size_t(count));
  FPosition = end;
  return count;
}

int64_t MemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  switch (origin) {
    case SeekOrigin::Begin:
      FPosition = offset;
      break;
    case SeekOrigin::Current:
      FPosition += offset;
      break;
    case SeekOrigin::End:
      FPosition = Size() + offset;
      break;
  }
  return FPosition;
}

void MemoryStream::SetSize(int64_t size) {
  FBytes.resize(size_t(std::max<int64_t>(0, size)));
  FPosition = std::min(FPosition, Size());
}

void MemoryStream::Clear() {
  std::vector<uint8_t>().swap(FBytes);
  FPosition = 0;
}

FileStream::FileStream(std::u16string_view path, FileMode mode, ShareMode share) : FFileName(path) {
  const std::string systemPath = ToSystemPath(path);
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::Create:
      flags |= O_RDWR | O_CREAT;
      break;
    case FileMode::OpenRead:
      flags |= O_RDONLY;
      break;
    case FileMode::OpenReadWrite:
      flags |= O_RDWR;
      break;
  }
  const char* what = mode == FileMode::Create ? "Cannot create file" : "Cannot open file";
  FDescriptor = ::open(systemPath.c_str(), flags, 0666);
  if (FDescriptor < 0) Fail(what);

  struct stat info {};
  if (::fstat(FDescriptor, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(FDescriptor);
    FDescriptor = -1;
    errno = EISDIR;
    Fail(what);
  }
  // Lock before truncating, so that a refused open leaves another opener's file intact. An
  // empty file is not truncated: on ext4 that would make its close force the data to disk.
  int lock = share == ShareMode::Exclusive ? LOCK_EX : share == ShareMode::DenyWrite ? LOCK_SH : 0;
  struct stat locked {};
  if ((lock != 0 && ::flock(FDescriptor, lock | LOCK_NB) != 0) ||
      (mode == FileMode::Create && (::fstat(FDescriptor, &locked) != 0 || locked.st_size > 0) &&
       ::ftruncate(FDescriptor, 0) != 0)) {
    int error = errno;
    ::close(FDescriptor);
    FDescriptor = -1;
    errno = error;
    Fail(what);
  }
}

FileStream::~FileStream() {
  if (FDescriptor >= 0) ::close(FDescriptor);
}

void FileStream::Fail(const char* what) const {
  throw EStreamError(std::string(what) + " \"" + ToUtf8(FFileName) + "\". " +
                     SystemErrorText(errno));
}

int64_t FileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (total < count) {
    ssize_t n = ::read(FDescriptor, bytes + total, size_t(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read file");
    if (n == 0) break;
    total += n;
  }
  return total;
}

int64_t FileStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  auto* bytes = static_cast<const uint8_t*>(buffer);
  while (total < count) {
    ssize_t n = ::write(FDescriptor, bytes + total, size_t(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot write file");
    total += n;
  }
  return total;
}

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::Begin     ? SEEK_SET
               : origin == SeekOrigin::Current ? SEEK_CUR
                                               : SEEK_END;
  off_t position = ::lseek(FDescriptor, off_t(offset), whence);
  if (position < 0) Fail("Cannot seek in file");
  return position;
}

int64_t FileStream::Size() {
  struct stat info {};
  if (::fstat(FDescriptor, &info) != 0) Fail("Cannot query the size of file");
  return info.st_size;
}

void FileStream::SetSize(int64_t size) {
  if (::ftruncate(FDescriptor, off_t(size)) != 0) Fail("Cannot set the size of file");
  if (Position() > size) SetPosition(size);
}

void WriteTextToStream(Stream& stream, std::u16string_view text) {
  std::string bytes = ToUtf8(text);
  stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

}  // namespace vorlanth
