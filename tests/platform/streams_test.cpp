// Memory and file streams: positions, short reads, growth, errors with the system's text.
#include "platform/streams.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/text.h"
#include "tests/common/testing.h"

namespace vorlanth {
namespace {

TEST(MemoryStream, ReadsShortAtTheEndAndGrowsWithZerosPastIt) {
  MemoryStream stream;
  stream.WriteBuffer("abc", 3);
  EXPECT_EQ(stream.Seek(0, SeekOrigin::End), 3);
  EXPECT_EQ(stream.Seek(2, SeekOrigin::Current), 5);
  stream.WriteBuffer("z", 1);
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), std::string("abc\0\0z", 6));
  stream.SetPosition(4);
  char buffer[8];
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  stream.SetPosition(1);
  EXPECT_THROW(stream.ReadBuffer(buffer, 6), EStreamError);
  stream.SetSize(2);  // the position past the new end moves back to it
  EXPECT_EQ(stream.Position(), 2);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(FileStream, CreateTruncatesAndOpenReadsBack) {
  testing::TempDir dir;
  const std::u16string path = Text(dir / "f.bin");
  testing::WriteFile(dir / "f.bin", "older and longer content");
  {
    FileStream out(path, FileMode::Create, ShareMode::Exclusive);
    WriteTextToStream(out, u"Grüße");
    EXPECT_EQ(out.Size(), 7);
  }
  FileStream in(path, FileMode::OpenRead, ShareMode::DenyWrite);
  MemoryStream copy;
  copy.CopyFrom(in, 7, 3);
  EXPECT_EQ(std::string(copy.Bytes().begin(), copy.Bytes().end()),
            "Gr\xC3\xBC\xC3\x9F"
            "e");
  in.SetPosition(0);
  EXPECT_THROW(copy.CopyFrom(in, 8), EStreamError);
}

TEST(FileStream, OpenFailuresCarryTheNameAndTheSystemText) {
  testing::TempDir dir;
  try {
    FileStream missing(Text(dir / "missing"), FileMode::OpenRead, ShareMode::DenyWrite);
    FAIL() << "opened a missing file";
  } catch (const EStreamError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + (dir / "missing") + "\". No such file or directory");
  }
  EXPECT_THROW(FileStream(Text(dir.Path()), FileMode::OpenRead, ShareMode::DenyNone), EStreamError);
  EXPECT_THROW(FileStream(Text(dir / "no/such/dir/f"), FileMode::Create, ShareMode::Exclusive),
               EStreamError);
}

}  // namespace
}  // namespace vorlanth
