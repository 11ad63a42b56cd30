// TZipWriter: layout of what it writes, stored names, directory scans, failures and limits,
// each archive also judged by unzip, Python's zipfile and 7-Zip.
#include "engine/zipwriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "platform/files.h"
#include "tests/common/testing.h"
#include "tests/engine/archive_layout.h"

namespace vorlanth {
namespace {

using testing::ArchiveLayout;
using testing::ExpectedEntry;
using testing::ReadFile;
using testing::ReadLayout;
using testing::TempDir;
using testing::WriteFile;

std::string Built(TZipWriter& writer) {
  MemoryStream stream;
  writer.ZipStream(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

std::string SaveAndRead(TZipWriter& writer, const std::string& path) {
  writer.WriteZIPFile(Text(path));
  return ReadFile(path);
}

TEST(ZipWriter, EmptyListGivesTheBareEndRecord) {
  TempDir dir;
  TZipWriter writer;
  const std::string expected = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  EXPECT_EQ(Built(writer), expected);
  EXPECT_EQ(SaveAndRead(writer, dir / "empty.zip"), expected);
  EXPECT_EQ(writer.DiskCount(), 1);
  testing::ExpectPythonReads(dir / "empty.zip", {});  // unzip -t only warns "zipfile is empty"
}

TEST(ZipWriter, LayoutOfEveryHeader) {
  TempDir dir;
  const std::string text = testing::TextLines(70000, 1);
  const std::string binary = testing::PseudoRandomBytes(5000, 2);
  WriteFile(dir / "a.txt", text);
  WriteFile(dir / "b.bin", binary);
  WriteFile(dir / "empty", "");
  TZipWriter writer;
  for (const char* name : {"a.txt", "b.bin", "empty"})
    writer.FileList().push_back(Text(dir / name));
  const std::string bytes = SaveAndRead(writer, dir / "out.zip");

  ArchiveLayout layout = ReadLayout(bytes);
  ASSERT_EQ(layout.Entries.size(), 3u);
  EXPECT_EQ(layout.ThisDisk, 0);
  EXPECT_EQ(layout.CentralDisk, 0);
  EXPECT_EQ(layout.RecordsOnDisk, 3);
  EXPECT_EQ(layout.CommentLength, 0);
  const std::string contents[] = {text, binary, ""};
  uint32_t expectedOffset = 0;
  for (size_t i = 0; i < 3; ++i) {
    const testing::LayoutEntry& e = layout.Entries[i];
    SCOPED_TRACE(e.Name);
    EXPECT_EQ(e.Offset, expectedOffset);  // entries follow one another without gaps
    EXPECT_EQ(e.VersionMadeBy, 20);
    EXPECT_EQ(e.VersionNeeded, 20);
    EXPECT_EQ(e.LocalVersionNeeded, 20);
    EXPECT_EQ(e.Method, 8);
    EXPECT_EQ(e.LocalMethod, 8);
    EXPECT_EQ(e.Flags, 0);
    EXPECT_EQ(e.LocalFlags, 0);
    EXPECT_EQ(e.LocalExtraLength, 0);
    EXPECT_EQ(e.ExtraLength, 0);
    EXPECT_EQ(e.CommentLength, 0);
    EXPECT_EQ(e.Disk, 0);
    EXPECT_EQ(e.LocalName, e.Name);
    EXPECT_EQ(e.LocalCrc, e.Crc);
    EXPECT_EQ(e.LocalTime, e.Time);
    EXPECT_EQ(e.LocalDate, e.Date);
    EXPECT_EQ(e.LocalCompressedSize, e.CompressedSize);
    EXPECT_EQ(e.LocalUncompressedSize, e.UncompressedSize);
    EXPECT_EQ(e.Crc, testing::Crc32(contents[i]));
    EXPECT_EQ(e.Content, contents[i]);
    EXPECT_EQ(e.ExternalAttr, faArchive);
    // One compressor reset between entries writes what a fresh one would.
    EXPECT_EQ(e.CompressedData, testing::RawDeflate(contents[i]));
    expectedOffset = e.Offset + 30 + uint32_t(e.Name.size()) + e.CompressedSize;
  }
  EXPECT_EQ(layout.CentralOffset, expectedOffset);
  EXPECT_EQ(layout.Entries[0].InternalAttr, 1);
  EXPECT_EQ(layout.Entries[1].InternalAttr, 0);
  // An empty file: the two deflate bytes 03 00, CRC 0, counted as text.
  EXPECT_EQ(layout.Entries[2].CompressedData, std::string("\x03\x00", 2));
  EXPECT_EQ(layout.Entries[2].Crc, 0u);
  EXPECT_EQ(layout.Entries[2].InternalAttr, 1);

  testing::ExpectToolsAccept(dir / "out.zip", {{"a.txt", text}, {"b.bin", binary}, {"empty", ""}});
  EXPECT_EQ(Built(writer), bytes);  // memory and file builds agree
}

TEST(ZipWriter, EntryTimeIsTheFilesLastWriteTimeInUtc) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  struct utimbuf times {
    1267627079, 1267627079
  };  // 2010-03-03 14:37:59 UTC
  utime((dir / "f").c_str(), &times);
  TZipWriter writer;
  writer.FileList().push_back(Text(dir / "f"));
  ArchiveLayout layout = ReadLayout(Built(writer));
  ASSERT_EQ(layout.Entries.size(), 1u);
  EXPECT_EQ(layout.Entries[0].Time, 14 << 11 | 37 << 5 | 29);
  EXPECT_EQ(layout.Entries[0].Date, 30 << 9 | 3 << 5 | 3);
}

struct NameCase {
  bool KeepDirInfo;
  const char16_t* PathRoot;
  const char16_t* NameSource;
  const char* Stored;
};

TEST(ZipWriter, StoredNamesFollowTheDriveAndRootRules) {
  const NameCase cases[] = {
      {false, u"", u"C:\\data\\sub\\a.txt", "a.txt"},
      {true, u"\\data", u"C:\\data\\sub\\a.txt", "sub/a.txt"},
      {true, u"C:\\data", u"C:\\data\\sub\\a.txt", "data/sub/a.txt"},
      {true, u"DATA", u"data\\x.txt", "x.txt"},
      {true, u"", u"\\\\srv\\pub\\data\\a.txt", "data/a.txt"},
      {true, u"data", u"\\\\srv\\pub\\data\\a.txt", "a.txt"},
      {true, u"", u"/srv/files/a.txt", "srv/files/a.txt"},
      {true, u"/srv/files", u"/srv/files/a.txt", "a.txt"},
      {true, u"/SRV/files/", u"/srv/files/sub/a.txt", "sub/a.txt"},
      {true, u"", u"\\data\\a.txt", "data/a.txt"},
      {true, u"", u"relative/dir/a.txt", "relative/dir/a.txt"},
      {true, u"", u"C:a.txt", "a.txt"},
      {false, u"", u"reports\\2024\\q1.txt", "q1.txt"},
      {true, u"", u"reports\\2024\\q1.txt", "reports/2024/q1.txt"},
      {false, u"", u"D:name.txt", "name.txt"},
      {false, u"", u"/srv/files/a.txt", "a.txt"},
      {true, u"ü/", u"ü/Ü/x", "Ü/x"},  // only ASCII letters ignore case
      {true, u"ü/", u"Ü/ü/x", "Ü/ü/x"},
  };
  TempDir dir;
  WriteFile(dir / "f", "x");
  for (const NameCase& c : cases) {
    TZipWriter writer;
    writer.SetKeepDirInfo(c.KeepDirInfo);
    writer.SetPathRoot(c.PathRoot);
    writer.FileList().push_back(Text(dir / "f"));
    writer.AltFileList().push_back(c.NameSource);
    ArchiveLayout layout = ReadLayout(Built(writer));
    ASSERT_EQ(layout.Entries.size(), 1u);
    EXPECT_EQ(layout.Entries[0].Name, c.Stored) << ToUtf8(c.NameSource);
  }
}

TEST(ZipWriter, PathRootIsNormalisedWhenSet) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"/docs/2024", u"docs\\2024\\"},
      {u"C:\\data", u"C:\\data\\"},
      {u"data\\", u"data\\"},
      {u"x", u"x"},
      {u"/", u"\\"},
      {u"", u""},
      {u"//", u"\\"},
  };
  TZipWriter writer;
  for (auto [given, stored] : cases) {
    writer.SetPathRoot(given);
    EXPECT_EQ(writer.PathRoot(), stored) << ToUtf8(given);
  }
}

TEST(ZipWriter, AlternativeNamesGoToSourcesByPositionAndDuplicatesStay) {
  TempDir dir;
  for (const char* name : {"a", "b", "c"})
    WriteFile(dir / name, name);
  TZipWriter writer;
  for (const char* name : {"a", "b", "c", "b"})
    writer.FileList().push_back(Text(dir / name));
  writer.AltFileList().push_back(u"first.txt");
  writer.WriteZIPFile(Text(dir / "x.zip"));
  testing::ExpectToolsAccept(dir / "x.zip",
                             {{"first.txt", "a"}, {"b", "b"}, {"c", "c"}, {"b", "b"}});
}

TEST(ZipWriter, OneNonAsciiNameSetsTheUtf8FlagInEveryHeader) {
  TempDir dir;
  WriteFile(dir / "a.txt", "plain");
  WriteFile(dir / "b.txt", "other");
  TZipWriter writer;
  writer.FileList().push_back(Text(dir / "a.txt"));
  writer.FileList().push_back(Text(dir / "b.txt"));
  writer.AltFileList() = {u"a.txt", u"Grüße.txt"};
  writer.WriteZIPFile(Text(dir / "u.zip"));
  ArchiveLayout layout = ReadLayout(ReadFile(dir / "u.zip"));
  ASSERT_EQ(layout.Entries.size(), 2u);
  for (const testing::LayoutEntry& e : layout.Entries) {
    EXPECT_EQ(e.Flags, 2048) << e.Name;
    EXPECT_EQ(e.LocalFlags, 2048) << e.Name;
  }
  EXPECT_EQ(layout.Entries[1].Name,
            "Gr\xC3\xBC\xC3\x9F"
            "e.txt");
  EXPECT_EQ(layout.Entries[1].Name.size(), 11u);
  testing::ExpectToolsAccept(dir / "u.zip", {{"a.txt", "plain"},
                                             {"Gr\xC3\xBC\xC3\x9F"
                                              "e.txt",
                                              "other"}});
}

TEST(ZipWriter, TextTestLooksAtTheFirst200Bytes) {
  const std::pair<std::string, uint16_t> cases[] = {
      {std::string(200, 'a') + std::string(1, '\0'), 1},
      {std::string(199, 'a') + std::string(1, '\0'), 0},
      {"\tindented", 0},
      {"line\r\nline\n", 1},
      {"del\x7f", 1},
      {"high\x80", 0},
      {"", 1},
  };
  TempDir dir;
  TZipWriter writer;
  for (size_t i = 0; i < std::size(cases); ++i) {
    WriteFile(dir / std::to_string(i), cases[i].first);
    writer.FileList().push_back(Text(dir / std::to_string(i)));
  }
  ArchiveLayout layout = ReadLayout(Built(writer));
  ASSERT_EQ(layout.Entries.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(layout.Entries[i].InternalAttr, cases[i].second) << i;
}

TEST(ZipWriter, DirectoryEntriesHaveNoDataAndTheDirectoryAttribute) {
  TempDir dir;
  mkdir((dir / "data").c_str(), 0755);
  mkdir((dir / "data/empty").c_str(), 0755);
  for (bool keep : {true, false}) {
    TZipWriter writer;
    writer.SetKeepDirInfo(keep);
    writer.SetPathRoot(Text(dir / "data"));
    writer.FileList().push_back(Text(dir / "data/empty/"));
    writer.FileList().push_back(u"C:\\data\\gone\\");  // not checked for existence
    const std::string bytes = Built(writer);
    ArchiveLayout layout = ReadLayout(bytes);
    ASSERT_EQ(layout.Entries.size(), 2u);
    EXPECT_EQ(layout.Entries[0].Name, keep ? "empty/" : "");
    EXPECT_EQ(layout.Entries[1].Name, keep ? "data/gone/" : "");
    for (const testing::LayoutEntry& e : layout.Entries) {
      EXPECT_EQ(e.Method, 8);
      EXPECT_EQ(e.CompressedSize, 2u);
      EXPECT_EQ(e.UncompressedSize, 0u);
      EXPECT_EQ(e.ExternalAttr & faDirectory, faDirectory);
      std::time_t stamp = FromDosDateTime({e.Time, e.Date});
      EXPECT_LE(std::abs(double(stamp - std::time(nullptr))), 4.0);
    }
  }
}

TEST(ZipWriter, AddZipDirectoryWalksTheTreeInCaseInsensitiveOrder) {
  TempDir dir;
  WriteFile(dir / "tree/b.txt", "b");
  WriteFile(dir / "tree/A.txt", "A");
  WriteFile(dir / "tree/.hidden", "h");
  WriteFile(dir / "tree/Sub/z.txt", "z");
  WriteFile(dir / "tree/c.txt", "c");
  mkdir((dir / "tree/Sub/empty").c_str(), 0755);
  for (bool keep : {false, true}) {
    TZipWriter writer;
    writer.SetKeepDirInfo(keep);
    EXPECT_EQ(writer.AddZipDirectory(Text(dir / "tree")), keep ? 6 : 5);
    std::vector<std::u16string> expected;
    const std::u16string base = ReplaceAll(Text(dir / "tree"), u'/', u'\\') + u"\\";
    for (const char16_t* name : {u".hidden", u"A.txt", u"b.txt", u"c.txt"})
      expected.push_back(base + name);
    if (keep) expected.push_back(base + u"Sub\\empty\\");
    expected.push_back(base + u"Sub\\z.txt");
    EXPECT_EQ(writer.FileList(), expected);
  }
  TZipWriter writer;
  EXPECT_EQ(writer.AddZipDirectory(Text(dir / "missing")), 0);
  EXPECT_EQ(writer.AddZipDirectory(u""), 0);
  EXPECT_TRUE(writer.FileList().empty());
}

TEST(ZipWriter, AddZipDirectoryCountsAnEmptySubdirectoryOnlyWhenKeepingPaths) {
  TempDir dir;
  mkdir((dir / "only").c_str(), 0755);
  mkdir((dir / "only/empty").c_str(), 0755);
  TZipWriter writer;
  EXPECT_EQ(writer.AddZipDirectory(Text(dir / "only/")), 0);
  writer.SetKeepDirInfo(true);
  EXPECT_EQ(writer.AddZipDirectory(Text(dir / "only/")), 1);
}

TEST(ZipWriter, AddZipDirectoryFollowsLinksButNotInCycles) {
  TempDir dir;
  WriteFile(dir / "tree/f.txt", "f");
  WriteFile(dir / "other/g.txt", "g");
  symlink((dir / "tree").c_str(), (dir / "tree/loop").c_str());
  symlink((dir / "other").c_str(), (dir / "tree/other").c_str());
  TZipWriter writer;
  EXPECT_EQ(writer.AddZipDirectory(Text(dir / "tree")), 2);  // f.txt and other/g.txt
}

TEST(ZipWriter, TreeArchiveWithKeptPathsPassesTheTools) {
  TempDir dir;
  const std::string big = testing::PseudoRandomBytes(300000, 9);
  WriteFile(dir / "site/index.html", "<html></html>");
  WriteFile(dir / "site/img/logo.bin", big);
  WriteFile(dir / "site/docs/Grüße.txt", "grüße");
  mkdir((dir / "site/empty").c_str(), 0755);
  TZipWriter writer;
  writer.SetKeepDirInfo(true);
  writer.SetPathRoot(Text(dir.Path()));
  writer.AddZipDirectory(Text(dir / "site"));
  writer.WriteZIPFile(Text(dir / "site.zip"));
  testing::ExpectToolsAccept(dir / "site.zip", {{"site/docs/Gr\xC3\xBC\xC3\x9F"
                                                 "e.txt",
                                                 "grüße"},
                                                {"site/empty/", ""},
                                                {"site/img/logo.bin", big},
                                                {"site/index.html", "<html></html>"}});
}

TEST(ZipWriter, FirstMissingSourceEndsTheBuild) {
  TempDir dir;
  WriteFile(dir / "a", "a");
  TZipWriter writer;
  writer.FileList() = {Text(dir / "a"), Text(dir / "missing"), Text(dir / "a")};
  size_t started = 0;
  writer.OnEntry = [&started](size_t, size_t, const ZipString&) { ++started; };
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { Built(writer); }),
            "Error reading source file: " + (dir / "missing"));
  EXPECT_EQ(started, 2u);
  writer.FileList() = {Text(dir.Path())};  // a directory is not a file
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { Built(writer); }),
            "Error reading source file: " + dir.Path());
  writer.FileList() = {u""};
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { Built(writer); }), "Error reading source file: ");
}

TEST(ZipWriter, FailedWriteKeepsTheEarlierArchiveAndLeavesNothingBeside) {
  TempDir dir;
  WriteFile(dir / "a", "a");
  WriteFile(dir / "out.zip", "earlier archive");
  TZipWriter writer;
  writer.FileList() = {Text(dir / "a"), Text(dir / "missing")};
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { writer.WriteZIPFile(Text(dir / "out.zip")); }),
            "Error reading source file: " + (dir / "missing"));
  EXPECT_EQ(ReadFile(dir / "out.zip"), "earlier archive");
  EXPECT_EQ(testing::ListNames(dir.Path()), (std::vector<std::string>{"a", "out.zip"}));

  writer.FileList() = {Text(dir / "a")};
  EXPECT_EQ(
      testing::MessageOf<EZipError>([&] { writer.WriteZIPFile(Text(dir / "no/such/dir.zip")); }),
      "Error creating file " + (dir / "no/such/dir.zip"));
}

TEST(ZipWriter, TempFileNameHoldsCompressedDataAndIsAlwaysRemoved) {
  TempDir dir;
  const std::string data = testing::TextLines(200000, 4);
  WriteFile(dir / "a", data);
  TZipWriter writer;
  writer.FileList() = {Text(dir / "a"), Text(dir / "a")};
  const std::string inMemory = Built(writer);
  writer.SetTempFileName(Text(dir / "scratch.tmp"));
  EXPECT_EQ(Built(writer), inMemory);
  EXPECT_FALSE(testing::FileExists(dir / "scratch.tmp"));

  writer.FileList().push_back(Text(dir / "missing"));
  EXPECT_THROW(Built(writer), EZipError);
  EXPECT_FALSE(testing::FileExists(dir / "scratch.tmp"));

  writer.SetTempFileName(Text(dir / "no/dir/scratch.tmp"));
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { Built(writer); }),
            "Error creating temporary file.");
}

TEST(ZipWriter, CountsBeyondTheirFieldsAreRefused) {
  TempDir dir;
  WriteFile(dir / "a", "");
  TZipWriter writer;
  writer.FileList().assign(65536, Text(dir / "a"));
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { writer.WriteZIPFile(Text(dir / "many.zip")); }),
            "Too many entries for a zip file: 65536 sources, at most 65535.");
  EXPECT_FALSE(testing::FileExists(dir / "many.zip"));

  writer.FileList() = {Text(dir / "a")};
  writer.AltFileList() = {std::u16string(65536, u'n')};
  EXPECT_TRUE(testing::MessageOf<EZipError>([&] {
                Built(writer);
              }).starts_with("File name too long for a zip file (more than 65535 bytes): nnn"));
  writer.AltFileList() = {std::u16string(65535, u'n')};
  EXPECT_NO_THROW(Built(writer));

  // A sparse file of 4 GiB is refused before anything is compressed.
  int fd = ::open((dir / "huge").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, off_t(1) << 32), 0);
  ::close(fd);
  writer.AltFileList().clear();
  writer.FileList() = {Text(dir / "huge")};
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { Built(writer); }),
            "File too large for a zip file (4 GiB or more): " + (dir / "huge"));
}

}  // namespace
}  // namespace vorlanth
