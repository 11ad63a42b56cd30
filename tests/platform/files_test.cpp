// File-system rules: attributes, DOS times, sorted listings, sharing modes, file moves.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "platform/errors.h"
#include "platform/streams.h"
#include "platform/text.h"
#include "tests/common/testing.h"

namespace vorlanth {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::time_t Utc(int year, int month, int day, int hour, int minute, int second) {
  struct tm t {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return timegm(&t);
}

TEST(Attributes, WindowsValuesFromPosixModes) {
  TempDir dir;
  WriteFile(dir / "plain.txt", "x");
  WriteFile(dir / ".hidden", "x");
  WriteFile(dir / "locked.txt", "x");
  chmod((dir / "locked.txt").c_str(), 0444);
  mkdir((dir / "sub").c_str(), 0755);

  EXPECT_EQ(GetFileAttributes(Text(dir / "plain.txt")), faArchive);
  EXPECT_EQ(GetFileAttributes(Text(dir / ".hidden")), faArchive | faHidden);
  EXPECT_EQ(GetFileAttributes(Text(dir / "locked.txt")), faArchive | faReadOnly);
  EXPECT_EQ(GetFileAttributes(Text(dir / "sub")), faDirectory);
  EXPECT_EQ(GetFileAttributes(Text(dir / "sub/")), faDirectory);
  EXPECT_EQ(GetFileAttributes(Text(dir / "missing")), std::nullopt);
  // "\" separates like "/".
  EXPECT_EQ(GetFileAttributes(Text(dir.Path() + "\\plain.txt")), faArchive);
}

TEST(Attributes, ExistingFileFollowsLinksAndExcludesDirectories) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  mkdir((dir / "d").c_str(), 0755);
  symlink((dir / "f").c_str(), (dir / "link").c_str());
  symlink((dir / "gone").c_str(), (dir / "dangling").c_str());
  EXPECT_TRUE(IsExistingFile(Text(dir / "f")));
  EXPECT_TRUE(IsExistingFile(Text(dir / "link")));
  EXPECT_FALSE(IsExistingFile(Text(dir / "dangling")));
  EXPECT_FALSE(IsExistingFile(Text(dir / "d")));
  EXPECT_FALSE(IsExistingFile(u""));
  EXPECT_TRUE(DirectoryExists(Text(dir / "d")));
}

TEST(DosTime, ConvertsUtcAndRoundsOddSecondsDown) {
  DosDateTime dos = ToDosDateTime(Utc(2010, 3, 3, 14, 37, 59));
  EXPECT_EQ(dos.Time >> 11, 14);
  EXPECT_EQ((dos.Time >> 5) & 63, 37);
  EXPECT_EQ(dos.Time & 31, 29);
  EXPECT_EQ(dos.Date >> 9, 30);
  EXPECT_EQ((dos.Date >> 5) & 15, 3);
  EXPECT_EQ(dos.Date & 31, 3);
  EXPECT_EQ(FromDosDateTime(dos), Utc(2010, 3, 3, 14, 37, 58));
}

TEST(DosTime, ClampsToTheRangeTheWordsHold) {
  DosDateTime early = ToDosDateTime(Utc(1970, 6, 1, 12, 0, 0));
  EXPECT_EQ(FromDosDateTime(early), Utc(1980, 1, 1, 0, 0, 0));
  DosDateTime late = ToDosDateTime(Utc(2200, 1, 1, 0, 0, 0));
  EXPECT_EQ(FromDosDateTime(late), Utc(2107, 12, 31, 23, 59, 58));
}

TEST(DosTime, FileTimeIsLastWriteAndDirectoriesGetNow) {
  TempDir dir;
  WriteFile(dir / "old.txt", "x");
  struct utimbuf times {
    Utc(2010, 3, 3, 14, 37, 59), Utc(2010, 3, 3, 14, 37, 59)
  };
  utime((dir / "old.txt").c_str(), &times);
  uint16_t time = 0, date = 0;
  GetFileDosDateTime(Text(dir / "old.txt"), time, date);
  EXPECT_EQ(FromDosDateTime({time, date}), Utc(2010, 3, 3, 14, 37, 58));

  utime(dir.Path().c_str(), &times);
  for (const std::string& path : {dir.Path(), dir / "missing"}) {
    GetFileDosDateTime(Text(path), time, date);
    EXPECT_LE(std::abs(double(FromDosDateTime({time, date}) - std::time(nullptr))), 4.0) << path;
  }
}

TEST(Listing, SortedWithoutRegardToCase) {
  TempDir dir;
  for (const char* name : {"b.txt", "A.txt", "a2", "C", "_x", "Äpfel", "zeta"})
    WriteFile(dir / name, "x");
  mkdir((dir / "Beta").c_str(), 0755);
  std::vector<std::u16string> names;
  for (const DirectoryEntry& entry : ListDirectory(Text(dir.Path())))
    names.push_back(entry.Name);
  const std::vector<std::u16string> expected = {u"A.txt", u"a2",   u"b.txt", u"Beta",
                                                u"C",     u"zeta", u"_x",    u"Äpfel"};
  // Names compare folded to upper case, as on NTFS: "_" (0x5F) sorts after "Z" (0x5A).
  EXPECT_EQ(names, expected);
  EXPECT_TRUE(ListDirectory(Text(dir / "missing")).empty());
}

TEST(Listing, CaseFoldIsStable) {
  EXPECT_TRUE(NameLessNoCase(u"a.txt", u"B.txt"));
  EXPECT_TRUE(NameLessNoCase(u"B", u"b"));  // equal folds keep byte order
  EXPECT_FALSE(NameLessNoCase(u"b", u"B"));
  EXPECT_TRUE(NameLessNoCase(u"é", u"Ф"));
}

TEST(Sharing, ModesRefuseConflictingOpens) {
  TempDir dir;
  const std::u16string path = Text(dir / "f.bin");
  {
    FileStream exclusive(path, FileMode::Create, ShareMode::Exclusive);
    exclusive.WriteBuffer("keep", 4);
    EXPECT_THROW(FileStream(path, FileMode::OpenRead, ShareMode::DenyWrite), EStreamError);
    // A refused create must not truncate the holder's file.
    EXPECT_THROW(FileStream(path, FileMode::Create, ShareMode::Exclusive), EStreamError);
    EXPECT_EQ(exclusive.Size(), 4);
    FileStream unrestricted(path, FileMode::OpenRead, ShareMode::DenyNone);
  }
  FileStream reader1(path, FileMode::OpenRead, ShareMode::DenyWrite);
  FileStream reader2(path, FileMode::OpenRead, ShareMode::DenyWrite);
  EXPECT_THROW(FileStream(path, FileMode::OpenReadWrite, ShareMode::Exclusive), EStreamError);
}

TEST(FileOperations, RenameReplacesAndDirectoriesAreForced) {
  TempDir dir;
  WriteFile(dir / "a", "new");
  WriteFile(dir / "b", "old");
  EXPECT_TRUE(RenameFile(Text(dir / "a"), Text(dir / "b")));
  EXPECT_EQ(testing::ReadFile(dir / "b"), "new");
  EXPECT_TRUE(DeleteFile(Text(dir / "b")));
  EXPECT_FALSE(DeleteFile(Text(dir / "b")));
  EXPECT_TRUE(ForceDirectories(Text(dir.Path() + "\\x\\y/z\\")));
  EXPECT_TRUE(DirectoryExists(Text(dir / "x/y/z")));
  WriteFile(dir / "file", "");
  EXPECT_FALSE(ForceDirectories(Text(dir / "file/sub")));
  std::u16string sibling = UniqueSiblingName(Text(dir / "out.zip"));
  EXPECT_TRUE(sibling.starts_with(Text(dir / "out.zip.")));
  EXPECT_FALSE(IsExistingFile(sibling));
}

}  // namespace
}  // namespace vorlanth
