// Cached read-only file streams: block loads, reads at the ends, the view window, sharing.
#include "support/bufferedfilestream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/text.h"
#include "tests/common/testing.h"

namespace vorlanth {
namespace {

// Records every system read the stream makes, as (file offset, bytes read).
class CountingStream : public TReadOnlyCachedFileStream {
 public:
  using TReadOnlyCachedFileStream::TReadOnlyCachedFileStream;

  std::vector<std::pair<int64_t, int64_t>> Reads;
  uint32_t LastError() const { return FLastError; }

 protected:
  int64_t RawRead(int64_t offset, uint8_t* buffer, int64_t count) override {
    int64_t n = TReadOnlyCachedFileStream::RawRead(offset, buffer, count);
    Reads.emplace_back(offset, n);
    return n;
  }
};

// The base alone: opens the file but reads nothing itself.
class BareStream : public TBaseCachedFileStream {
 public:
  explicit BareStream(std::u16string_view fileName, int32_t cacheSize)
      : TBaseCachedFileStream(fileName, cacheSize, kNoHandle) {
    FHandle = OpenFileHandle();
    FOwnsHandle = true;
  }

 protected:
  int OpenFileHandle() override { return ::open(ToUtf8(FFileName).c_str(), O_RDONLY); }
};

// Overwrites bytes of a file in place, behind the back of any stream reading it.
void Overwrite(const std::string& path, int64_t offset, std::string_view bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  file.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadString(Stream& stream, int64_t count) {
  std::string bytes(size_t(count), '\0');
  bytes.resize(size_t(stream.Read(bytes.data(), count)));
  return bytes;
}

template <typename Error, typename Call>
std::string FailureOf(Call call) {
  try {
    call();
  } catch (const Error& error) {
    return error.what();
  }
  return "no failure";
}

class CachedStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::WriteFile(FPath, FContent); }

  testing::TempDir FDir;
  std::string FPath = FDir / "data.bin";
  std::u16string FName = Text(FPath);
  std::string FContent = testing::PseudoRandomBytes(40000, 3);
};

TEST_F(CachedStreamTest, LoadsOneBlockAtTheReadPosition) {
  CountingStream stream(FName);
  EXPECT_EQ(stream.CacheSize(), 16384);
  stream.SetPosition(16384 - 4);
  EXPECT_EQ(ReadString(stream, 10), FContent.substr(16380, 10));
  using Reads = std::vector<std::pair<int64_t, int64_t>>;
  EXPECT_EQ(stream.Reads, (Reads{{16380, 16384}}));
  // Later reads inside the block are served from memory, even when the file changed since.
  Overwrite(FPath, 20000, "changed!");
  stream.SetPosition(20000);
  EXPECT_EQ(ReadString(stream, 8), FContent.substr(20000, 8));
  EXPECT_EQ(stream.Reads.size(), 1u);
}

TEST_F(CachedStreamTest, ServesALargeReadBlockByBlock) {
  CountingStream stream(FName);
  std::string all = ReadString(stream, 40000);
  EXPECT_EQ(all, FContent);
  using Reads = std::vector<std::pair<int64_t, int64_t>>;
  EXPECT_EQ(stream.Reads, (Reads{{0, 16384}, {16384, 16384}, {32768, 7232}}));
}

TEST_F(CachedStreamTest, AlignedLoadsStartAtMultiplesOfTheCacheSize) {
  CountingStream stream(FName, 1000);
  EXPECT_EQ(stream.CacheSize(), 1000);
  stream.SetUseAlignedCache(true);
  stream.SetPosition(2500);
  EXPECT_EQ(ReadString(stream, 600), FContent.substr(2500, 600));
  using Reads = std::vector<std::pair<int64_t, int64_t>>;
  EXPECT_EQ(stream.Reads, (Reads{{2000, 1000}, {3000, 1000}}));
}

TEST_F(CachedStreamTest, ReadsShortAtAndPastTheEnd) {
  CountingStream stream(FName);
  EXPECT_EQ(stream.Seek(0, SeekOrigin::End), 40000);
  EXPECT_EQ(stream.Size(), 40000);
  EXPECT_EQ(ReadString(stream, 10), "");
  stream.SetPosition(40000 - 30);
  EXPECT_EQ(ReadString(stream, 100), FContent.substr(40000 - 30));
  EXPECT_EQ(stream.Seek(5000, SeekOrigin::End), 45000);
  EXPECT_EQ(ReadString(stream, 10), "");
  EXPECT_EQ(ReadString(stream, 0), "");
  EXPECT_EQ(stream.Seek(-45000 + 7, SeekOrigin::Current), 7);
  EXPECT_EQ(ReadString(stream, 3), FContent.substr(7, 3));
}

TEST_F(CachedStreamTest, ANegativePositionFailsAsAFilePointerMove) {
  TReadOnlyCachedFileStream stream(FName);
  EXPECT_EQ(stream.Seek(-1, SeekOrigin::Begin), -1);  // accepted until a read meets it
  char byte;
  EXPECT_EQ(FailureOf<EStreamError>([&] { stream.Read(&byte, 1); }),
            "SetFilePointerEx failed for " + FPath + ".  " + SystemErrorText(EINVAL));
  stream.SetPosition(1);
  EXPECT_EQ(stream.Read(&byte, 1), 1);
  EXPECT_EQ(byte, FContent[1]);
}

TEST(CachedStream, AnEmptyFileHasNothingToRead) {
  testing::TempDir dir;
  testing::WriteFile(dir / "empty", "");
  CountingStream stream(Text(dir / "empty"));
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(ReadString(stream, 10), "");
  stream.SetPosition(3);
  EXPECT_EQ(ReadString(stream, 10), "");
}

TEST(CachedStream, AReadThatFindsNoDataRecordsEndOfFile) {
  testing::TempDir dir;
  testing::WriteFile(dir / "f", std::string(100, 'x'));
  CountingStream stream(Text(dir / "f"));
  ASSERT_EQ(::truncate((dir / "f").c_str(), 10), 0);  // shrinks under the stream's view
  stream.SetPosition(50);
  EXPECT_EQ(ReadString(stream, 10), "");
  EXPECT_EQ(stream.LastError(), TReadOnlyCachedFileStream::kEndOfFileError);
  stream.SetPosition(0);
  EXPECT_EQ(ReadString(stream, 5), std::string(5, 'x'));
  EXPECT_EQ(stream.LastError(), 0u);
  EXPECT_EQ(ReadString(stream, 20), std::string(5, 'x'));  // the rest, then nothing more
  EXPECT_EQ(stream.LastError(), TReadOnlyCachedFileStream::kEndOfFileError);
}

TEST_F(CachedStreamTest, OpenFailuresCarryTheNameAndTheSystemText) {
  const std::string missing = FDir / "missing.zip";
  EXPECT_EQ(FailureOf<EStreamError>([&] { TReadOnlyCachedFileStream stream(Text(missing)); }),
            "Cannot open " + missing + ".  " + SystemErrorText(ENOENT));
  EXPECT_EQ(FailureOf<EStreamError>([&] { TReadOnlyCachedFileStream stream(Text(FDir.Path())); }),
            "Cannot open " + FDir.Path() + ".  " + SystemErrorText(EISDIR));
}

TEST_F(CachedStreamTest, SharesReadingOnlyWithOtherReaders) {
  {
    FileStream writer(FName, FileMode::OpenReadWrite, ShareMode::Exclusive);
    EXPECT_EQ(FailureOf<EStreamError>([&] { TReadOnlyCachedFileStream stream(FName); }),
              "Cannot open " + FPath + ".  " + SystemErrorText(EWOULDBLOCK));
  }
  TReadOnlyCachedFileStream first(FName);
  TReadOnlyCachedFileStream second(FName);
  FileStream reader(FName, FileMode::OpenRead, ShareMode::DenyWrite);
  EXPECT_THROW(FileStream(FName, FileMode::OpenReadWrite, ShareMode::Exclusive), EStreamError);
  EXPECT_EQ(ReadString(second, 5), FContent.substr(0, 5));
}

TEST_F(CachedStreamTest, AViewWindowIsTheWholeStream) {
  CountingStream stream(FName);
  struct Case {
    int64_t Start, Length;
  };
  for (Case bad : {Case{-1, 10}, Case{0, 40001}, Case{40001, 0}, Case{39990, 11}, Case{0, -1}}) {
    stream.SetPosition(3);
    EXPECT_EQ(FailureOf<EAssertionFailed>([&] { stream.SetViewWindow(bad.Start, bad.Length); }),
              "Invalid view window")
        << bad.Start << "+" << bad.Length;
    EXPECT_EQ(stream.Size(), 40000);  // nothing changed
    EXPECT_EQ(stream.Position(), 3);
  }
  stream.SetViewWindow(100, 50);
  EXPECT_EQ(stream.Size(), 50);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(ReadString(stream, 10), FContent.substr(100, 10));
  // A read stops at the end of the view: the bytes after it are not the stream's.
  stream.SetPosition(40);
  EXPECT_EQ(ReadString(stream, 100), FContent.substr(140, 10));
  EXPECT_EQ(ReadString(stream, 100), "");
  EXPECT_EQ(stream.Seek(-5, SeekOrigin::End), 45);
  EXPECT_EQ(ReadString(stream, 100), FContent.substr(145, 5));
  // Block loads stay inside the view as well.
  EXPECT_EQ(stream.Reads.back(), (std::pair<int64_t, int64_t>{100, 50}));
  stream.SetViewWindow(40000, 0);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(ReadString(stream, 1), "");
}

TEST_F(CachedStreamTest, RefusesWritingAndResizing) {
  TReadOnlyCachedFileStream stream(FName);
  EXPECT_EQ(FailureOf<EAssertionFailed>([&] { stream.Write("x", 1); }),
            "Cannot write to this stream");
  const std::string resize = FailureOf<EStreamError>([&] { stream.SetSize(10); });
  EXPECT_TRUE(resize == "SetEndOfFile for " + FPath + ".  " + SystemErrorText(EINVAL) ||
              resize == "SetEndOfFile for " + FPath + ".  " + SystemErrorText(EBADF))
      << resize;
  EXPECT_EQ(testing::ReadFile(FPath), FContent);
}

TEST_F(CachedStreamTest, TheBaseAloneCannotRead) {
  BareStream stream(FName, -5);
  EXPECT_EQ(stream.CacheSize(), 16384);
  char byte;
  EXPECT_EQ(FailureOf<EAssertionFailed>([&] { stream.Read(&byte, 1); }),
            "Cannot read from this stream");
  EXPECT_EQ(stream.Size(), 40000);  // the file's own size
}

TEST_F(CachedStreamTest, SuspendedReadsGoStraightToTheFile) {
  CountingStream stream(FName);
  EXPECT_EQ(ReadString(stream, 4), FContent.substr(0, 4));
  Overwrite(FPath, 0, "NEW!");
  stream.SetPosition(0);
  EXPECT_EQ(ReadString(stream, 4), FContent.substr(0, 4));  // the cached block
  stream.SuspendReadCache();
  stream.SuspendReadCache();
  stream.SetPosition(0);
  EXPECT_EQ(ReadString(stream, 4), "NEW!");
  stream.ResumeReadCache();
  stream.SetPosition(0);
  EXPECT_EQ(ReadString(stream, 4), "NEW!");  // still one suspension left
  stream.ResumeReadCache();
  stream.SetPosition(0);
  EXPECT_EQ(ReadString(stream, 4), FContent.substr(0, 4));  // the block was left as it was
  using Reads = std::vector<std::pair<int64_t, int64_t>>;
  EXPECT_EQ(stream.Reads, (Reads{{0, 16384}, {0, 4}, {0, 4}}));
}

TEST_F(CachedStreamTest, AnAdoptedHandleStaysOpenForItsOwner) {
  int fd = ::open(FPath.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  {
    TReadOnlyCachedFileStream stream(u"adopted", 0, fd);
    EXPECT_EQ(stream.Size(), 40000);
    EXPECT_EQ(ReadString(stream, 6), FContent.substr(0, 6));
  }
  EXPECT_NE(::fcntl(fd, F_GETFD), -1);
  ::close(fd);
}

}  // namespace
}  // namespace vorlanth
