// TMakeZip's source list, alternative names and settings.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "objects/makezip.h"
#include "tests/common/testing.h"

namespace vorlanth {
namespace {

void ExpectIndexError(const std::function<void()>& call) {
  try {
    call();
    FAIL() << "no failure";
  } catch (const EIndexError& error) {
    EXPECT_STREQ(error.what(), "Index out of range.");
  }
}

TEST(MakeZipLists, NewObjectDefaults) {
  TMakeZip zip;
  EXPECT_EQ(zip.ZipFileCount(), 0);
  EXPECT_EQ(zip.AltNameCount(), 0);
  EXPECT_EQ(zip.DiskSize(), 1024);
  EXPECT_EQ(zip.ZipWriter().DiskSize(), 1048576u);
  EXPECT_EQ(zip.DiskCount(), 0);
  EXPECT_FALSE(zip.SpanDisk());
  EXPECT_FALSE(zip.SplitArchive());
  EXPECT_FALSE(zip.KeepPathInfo());
  EXPECT_EQ(zip.PathRoot(), u"");
  EXPECT_EQ(zip.TempFileName(), u"");
}

TEST(MakeZipLists, AddReturnsIndexesAndIndexesOutsideTheListFail) {
  TMakeZip zip;
  EXPECT_EQ(zip.ZipAdd(u"a.txt"), 0);
  EXPECT_EQ(zip.ZipAdd(u"dir\\"), 1);
  EXPECT_EQ(zip.ZipAdd(u"HTTP://host/x"), 2);
  EXPECT_EQ(zip.ZipFileCount(), 3);
  EXPECT_EQ(zip.ZipFile(1), u"dir\\");
  zip.SetZipFile(1, u"b.txt");
  EXPECT_EQ(zip.ZipFile(1), u"b.txt");
  EXPECT_EQ(zip.AltNameAdd(u"first"), 0);
  for (int32_t index : {-1, 3}) {
    SCOPED_TRACE(index);
    ExpectIndexError([&] { zip.ZipFile(index); });
    ExpectIndexError([&] { zip.SetZipFile(index, u"x"); });
    ExpectIndexError([&] { zip.ZipDelete(index); });
  }
  for (int32_t index : {-1, 1}) {
    SCOPED_TRACE(index);
    ExpectIndexError([&] { zip.AltName(index); });
    ExpectIndexError([&] { zip.SetAltName(index, u"x"); });
    ExpectIndexError([&] { zip.AltNameDelete(index); });
  }
  EXPECT_EQ(zip.ZipFileCount(), 3);  // failed calls changed nothing
  EXPECT_EQ(zip.AltNameCount(), 1);
}

TEST(MakeZipLists, DeletingASourceLeavesTheAlternativeNamesWhereTheyAre) {
  TMakeZip zip;
  zip.ZipAdd(u"one.txt");
  zip.ZipAdd(u"two.txt");
  zip.AltNameAdd(u"first-name");
  zip.AltNameAdd(u"second-name");
  zip.ZipDelete(0);
  ASSERT_EQ(zip.ZipFileCount(), 1);
  EXPECT_EQ(zip.ZipFile(0), u"two.txt");
  EXPECT_EQ(zip.AltName(0), u"first-name");  // now names what used to be the second source
  zip.ZipClear();
  EXPECT_EQ(zip.ZipFileCount(), 0);
  EXPECT_EQ(zip.AltNameCount(), 2);
  zip.AltNameDelete(0);
  EXPECT_EQ(zip.AltName(0), u"second-name");
  zip.SetAltName(0, u"renamed");
  EXPECT_EQ(zip.AltName(0), u"renamed");
  zip.AltNameClear();
  EXPECT_EQ(zip.AltNameCount(), 0);
}

TEST(MakeZipLists, DiskSizeTakesOnlyVolumeSizesThatFit32Bits) {
  struct Case {
    int32_t Assigned;
    int32_t Read;
  };
  for (Case c : {Case{50, 1024}, Case{99, 1024}, Case{-100, 1024}, Case{100, 100},
                 Case{4194303, 4194303}, Case{4194304, 1024}, Case{INT32_MAX, 1024}}) {
    SCOPED_TRACE(c.Assigned);
    TMakeZip zip;
    zip.SetDiskSize(c.Assigned);
    EXPECT_EQ(zip.DiskSize(), c.Read);
    EXPECT_EQ(zip.ZipWriter().DiskSize(), uint32_t(c.Read) * 1024);
  }
}

TEST(MakeZipLists, SplitArchiveSetsSpanDiskButClearingItLeavesSpanDisk) {
  TMakeZip zip;
  zip.SetSplitArchive(true);
  EXPECT_TRUE(zip.SpanDisk());
  zip.SetSplitArchive(false);
  EXPECT_TRUE(zip.SpanDisk());
  zip.SetSplitArchive(true);
  zip.SetSpanDisk(false);
  EXPECT_TRUE(zip.SplitArchive());
  EXPECT_FALSE(zip.SpanDisk());
}

TEST(MakeZipLists, SettingsReachTheWriter) {
  TMakeZip zip;
  zip.SetPathRoot(u"/docs/2024");
  EXPECT_EQ(zip.PathRoot(), u"docs\\2024\\");  // normalised by the writer
  zip.SetKeepPathInfo(true);
  EXPECT_TRUE(zip.ZipWriter().KeepDirInfo());
  zip.SetTempFileName(u"/tmp/scratch");
  EXPECT_EQ(zip.ZipWriter().TempFileName(), u"/tmp/scratch");
}

TEST(MakeZipLists, UrlCredentialsReachTheWriterOnlyAtZipAdd) {
  TMakeZip zip;
  zip.SetURLUsername(u"ann");
  zip.SetURLPassword(u"secret");
  EXPECT_EQ(zip.ZipWriter().URLUsername(), u"");
  zip.ZipAdd(u"HTTP://127.0.0.1/a");
  EXPECT_EQ(zip.ZipWriter().URLUsername(), u"ann");
  EXPECT_EQ(zip.ZipWriter().URLPassword(), u"secret");
  zip.SetURLUsername(u"bob");
  zip.AltNameAdd(u"x");
  zip.ZipAddDirectory(u"/nonexistent-directory/");
  EXPECT_EQ(zip.ZipWriter().URLUsername(), u"ann");
  zip.ZipAdd(u"HTTP://127.0.0.1/b");
  EXPECT_EQ(zip.ZipWriter().URLUsername(), u"bob");
}

TEST(MakeZipLists, ZipAddDirectoryAppendsTheTreeAndCountsIt) {
  testing::TempDir dir;
  testing::WriteFile(dir / "tree/a.txt", "a");
  testing::WriteFile(dir / "tree/sub/b.txt", "b");
  TMakeZip zip;
  zip.ZipAdd(u"first");
  EXPECT_EQ(zip.ZipAddDirectory(Text(dir / "tree")), 2);
  EXPECT_EQ(zip.ZipFileCount(), 3);
  EXPECT_EQ(zip.ZipAddDirectory(Text(dir / "missing")), 0);
}

}  // namespace
}  // namespace vorlanth
