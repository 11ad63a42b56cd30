// Extraction: targets under the root, content checks, scratch files, refused names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <functional>

#include "engine/zipwriter.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "tests/common/testing.h"
#include "tests/engine/craftedzip.h"

namespace vorlanth {
namespace {

using testing::CraftedArchive;
using testing::CraftedEntry;

std::string Content(const MemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

// Every path under a folder, relative to it, sorted; folders end in "/".
std::vector<std::string> Tree(const std::string& folder) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    std::string path = std::filesystem::relative(entry.path(), folder).string();
    paths.push_back(entry.is_directory() ? path + "/" : path);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Runs the test body in another working directory, for names without an absolute root.
class InDirectory {
 public:
  explicit InDirectory(const std::string& path) : FOld(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~InDirectory() { std::filesystem::current_path(FOld); }

 private:
  std::filesystem::path FOld;
};

class ZipReaderExtract : public ::testing::Test {
 protected:
  // Writes the archive, loads it and roots extraction at <dir>/out.
  void Load(const CraftedArchive& archive) {
    testing::WriteFile(FArchive, archive.Build());
    FReader.ReadFromFile(Text(FArchive));
    FReader.SetPathRoot(Text(FOut));
  }

  testing::TempDir FDir;
  std::string FArchive = FDir / "test.zip";
  std::string FOut = FDir / "out";
  TZipReader FReader;
};

const std::string kText = testing::TextLines(100000, 5);
const std::string kBinary = testing::PseudoRandomBytes(70000, 6);

TEST_F(ZipReaderExtract, WritesStoredDeflatedEmptyAndFolderEntries) {
  struct Case {
    CraftedEntry Entry;
    std::u16string Returned;
    bool Folder;
  };
  const std::vector<Case> cases = {
      {{.Name = "text.txt", .Content = kText}, u"text.txt", false},
      {{.Name = "bin/stored.dat", .Content = kBinary, .Method = 0}, u"bin\\stored.dat", false},
      {{.Name = "bin/deflated.dat", .Content = kBinary}, u"bin\\deflated.dat", false},
      {{.Name = "empty-stored", .Content = "", .Method = 0}, u"empty-stored", false},
      {{.Name = "empty-deflated", .Content = ""}, u"empty-deflated", false},
      {{.Name = "empty-no-data", .Content = "", .Data = ""}, u"empty-no-data", false},
      {{.Name = "folder/", .Content = "", .Method = 0}, u"folder\\", true},
      {{.Name = "deep/er/folder/", .Content = ""}, u"deep\\er\\folder\\", true},
  };
  CraftedArchive archive;
  for (const Case& c : cases)
    archive.Entries.push_back(c.Entry);
  Load(archive);
  for (int i = 0; i < int(cases.size()); ++i) {
    const Case& c = cases[size_t(i)];
    EXPECT_EQ(FReader.ExtractFileToDisk(u"", i), c.Returned) << c.Entry.Name;
    const std::string path = FOut + "/" + c.Entry.Name;
    if (c.Folder) {
      EXPECT_TRUE(std::filesystem::is_directory(path)) << path;
    } else {
      EXPECT_EQ(testing::ReadFile(path), c.Entry.Content) << path;
      // Into a stream: appended at its position.
      MemoryStream stream;
      stream.WriteBuffer("head", 4);
      FReader.ExtractFileToStream(stream, i);
      EXPECT_EQ(Content(stream), "head" + c.Entry.Content) << c.Entry.Name;
    }
  }
  const std::vector<std::string> tree = Tree(FOut);
  std::filesystem::remove_all(FOut);
  FReader.ExtractAllToDisk();
  EXPECT_EQ(Tree(FOut), tree);
  EXPECT_EQ(tree.size(), 11u);  // 6 files, 5 folders
}

TEST_F(ZipReaderExtract, TheExtractedFileTakesTheTimeOfExtraction) {
  Load(CraftedArchive{.Entries = {{.Name = "old.txt", .Content = "x"}}});  // dated 2024-03-03
  const std::time_t before = std::time(nullptr);
  FReader.ExtractFileToDisk(u"", 0);
  struct stat info {};
  ASSERT_EQ(::stat((FOut + "/old.txt").c_str(), &info), 0);
  EXPECT_GE(info.st_mtime, before - 1);
}

TEST_F(ZipReaderExtract, JoinsTheRootAndTheName) {
  struct Case {
    std::string Root;  // after the test folder
    std::u16string FileName;
    std::u16string Returned;
    std::string Written;  // path under the test folder
  };
  const Case cases[] = {
      {"/out", u"", u"a\\b.txt", "out/a/b.txt"},
      {"/out/", u"", u"a\\b.txt", "out/a/b.txt"},
      {"\\out", u"", u"a\\b.txt", "out/a/b.txt"},
      {"\\out\\", u"", u"a\\b.txt", "out/a/b.txt"},
      {"/out", u"sub/new.txt", u"sub\\new.txt", "out/sub/new.txt"},
      {"/out", u"sub\\deeper\\new.txt", u"sub\\deeper\\new.txt", "out/sub/deeper/new.txt"},
      {"/out", u"flat.txt", u"flat.txt", "out/flat.txt"},
      {"/out", u"\\lead.txt", u"\\lead.txt", "out/lead.txt"},
      {"/out\\", u"\\lead.txt", u"\\lead.txt", "out/lead.txt"},
      // A name the caller gives is taken as given, even when it leaves the root.
      {"/out", u"../beside.txt", u"..\\beside.txt", "beside.txt"},
  };
  const std::string content = "joined content";
  for (const Case& c : cases) {
    Load(CraftedArchive{.Entries = {{.Name = "a/b.txt", .Content = content}}});
    FReader.SetPathRoot(Text(FDir.Path() + c.Root));
    EXPECT_EQ(FReader.ExtractFileToDisk(c.FileName, 0), c.Returned) << c.Root;
    EXPECT_EQ(testing::ReadFile(FDir / c.Written), content) << c.Root << " " << c.Written;
    std::filesystem::remove_all(FOut);
    std::filesystem::remove(FDir / "beside.txt");
  }
}

TEST_F(ZipReaderExtract, ADriveRootOrNoRootIsTakenFromTheWorkingDirectory) {
  Load(CraftedArchive{
      .Entries = {{.Name = "a/b.txt", .Content = "ab"}, {.Name = "top.txt", .Content = "top"}}});
  InDirectory here(FDir.Path());
  FReader.SetPathRoot(u"C:\\out");
  EXPECT_EQ(FReader.ExtractFileToDisk(u"", 0), u"a\\b.txt");
  EXPECT_EQ(testing::ReadFile(FDir / "C:/out/a/b.txt"), "ab");

  FReader.SetPathRoot(u"");
  EXPECT_EQ(FReader.ExtractFileToDisk(u"", 0), u"a\\b.txt");
  EXPECT_EQ(testing::ReadFile(FDir / "a/b.txt"), "ab");
  // A name with no folder part has no folder to be created in.
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 1); }),
            "Error creating directory - top.txt");
  EXPECT_FALSE(testing::FileExists(FDir / "top.txt"));
  const std::string absolute = FDir / "abs/x.txt";
  EXPECT_EQ(FReader.ExtractFileToDisk(Text(absolute), 1), ReplaceAll(Text(absolute), u'/', u'\\'));
  EXPECT_EQ(testing::ReadFile(absolute), "top");
}

TEST_F(ZipReaderExtract, AFolderThatCannotBeMadeIsReported) {
  Load(CraftedArchive{.Entries = {{.Name = "blocked/x.txt", .Content = "x"}}});
  testing::WriteFile(FOut + "/blocked", "a file where the folder should be");
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 0); }),
            "Error creating directory - " + ToUtf8(ReplaceAll(Text(FOut), u'/', u'\\')) +
                "\\blocked\\x.txt");
}

TEST_F(ZipReaderExtract, NothingToSaveInAnyStateWithoutALoadedArchive) {
  testing::WriteFile(FDir / "bad.zip", "not an archive");
  struct State {
    const char* What;
    std::function<void(TZipReader&)> Enter;
  };
  const State states[] = {
      {"fresh", [](TZipReader&) {}},
      {"after a failed load",
       [&](TZipReader& reader) {
         testing::WriteFile(FArchive,
                            CraftedArchive{.Entries = {{.Name = "a", .Content = "a"}}}.Build());
         reader.ReadFromFile(Text(FArchive));
         EXPECT_THROW(reader.ReadFromFile(Text(FDir / "bad.zip")), EZipError);
       }},
      {"after a missing file",
       [&](TZipReader& reader) {
         EXPECT_THROW(reader.ReadFromFile(Text(FDir / "missing.zip")), EZipError);
       }},
  };
  for (const State& state : states) {
    TZipReader reader;
    reader.SetPathRoot(Text(FOut));
    state.Enter(reader);
    MemoryStream out;
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.ExtractFileToDisk(u"", 0); }),
              "No files available to save.")
        << state.What;
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.ExtractAllToDisk(); }),
              "No files available to save.")
        << state.What;
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.ExtractFileToStream(out, 0); }),
              "No files available to save.")
        << state.What;
  }
  EXPECT_FALSE(testing::FileExists(FOut));
}

TEST_F(ZipReaderExtract, RefusesIndexesOutsideTheTableAndUnknownMethods) {
  CraftedArchive archive;
  archive.Entries.push_back({.Name = "a.txt", .Content = "a", .DataDescriptor = true});
  archive.Entries.push_back({.Name = "b.bz2", .Content = "b", .Method = 12});
  Load(archive);
  MemoryStream out;
  for (int index : {-1, 2, 1000}) {
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", index); }),
              "Index out of range.");
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToStream(out, index); }),
              "Index out of range.");
  }
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 1); }),
            "Compression method not supported.");
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToStream(out, 1); }),
            "Compression method not supported.");
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractAllToDisk(); }),
            "Compression method not supported.");
  EXPECT_EQ(testing::ReadFile(FOut + "/a.txt"), "a");  // written before the failure
}

TEST_F(ZipReaderExtract, EachEntrysDataFollowsItsOwnLocalHeader) {
  // The last local header has no extra field, the middle one has: one length for all entries
  // would put the middle entry's data start in its extra field.
  CraftedArchive archive;
  archive.Entries.push_back({.Name = "first.txt", .Content = kText.substr(0, 5000)});
  archive.Entries.push_back({.Name = "middle.bin",
                             .Content = kBinary.substr(0, 4000),
                             .Method = 0,
                             .LocalExtra = "UT\5\0\3abcd"});
  archive.Entries.push_back({.Name = "last.txt", .Content = kText.substr(100, 3000)});
  Load(archive);
  FReader.ExtractAllToDisk();
  for (const CraftedEntry& entry : archive.Entries)
    EXPECT_EQ(testing::ReadFile(FOut + "/" + entry.Name), entry.Content) << entry.Name;
}

TEST_F(ZipReaderExtract, AnOffsetThatNamesNoLocalHeaderIsRefused) {
  CraftedArchive archive;
  archive.Entries.push_back({.Name = "good.txt", .Content = "good"});
  archive.Entries.push_back({.Name = "moved.txt", .Content = "moved", .Offset = 3});
  archive.Entries.push_back({.Name = "beyond.txt", .Content = "beyond", .Offset = 0x7FFFFFFF});
  Load(archive);
  MemoryStream out;
  for (int index : {1, 2}) {
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", index); }),
              "Error reading zip file - invalid local header.");
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToStream(out, index); }),
              "Error reading zip file - invalid local header.");
  }
  EXPECT_EQ(out.Size(), 0);
  EXPECT_FALSE(testing::FileExists(FOut));
}

// Content that is not what the entry records: refused, and nothing of it is left behind.
TEST_F(ZipReaderExtract, ChecksTheContentAgainstTheRecordedSizeAndCrc) {
  const std::string text = kText.substr(0, 20000);
  const std::string deflated = testing::Deflate(text);
  struct Case {
    const char* What;
    CraftedEntry Entry;
  };
  const Case cases[] = {
      {"deflated, wrong CRC", {.Content = text, .Crc = testing::Crc32(text) ^ 1}},
      {"stored, wrong CRC", {.Content = text, .Method = 0, .Crc = 0}},
      {"deflated, recorded size too small", {.Content = text, .UncompressedSize = 19999}},
      {"deflated, recorded size too large", {.Content = text, .UncompressedSize = 20001}},
      {"stored, sizes differ", {.Content = text, .Method = 0, .UncompressedSize = 19000}},
      {"deflate data ends early",
       {.Content = text, .Data = deflated.substr(0, deflated.size() / 2)}},
      {"no deflate data for content", {.Content = text, .Data = ""}},
      {"damaged data that still inflates",
       {.Content = text, .Method = 0, .Data = text.substr(0, 100) + "X" + text.substr(101)}},
  };
  for (const Case& c : cases) {
    CraftedEntry entry = c.Entry;
    entry.Name = "dir/checked.txt";
    Load(CraftedArchive{.Entries = {entry}});
    testing::WriteFile(FOut + "/dir/checked.txt", "the earlier file");
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 0); }),
              "CRC error - dir/checked.txt")
        << c.What;
    EXPECT_EQ(testing::ReadFile(FOut + "/dir/checked.txt"), "the earlier file") << c.What;
    EXPECT_EQ(Tree(FOut), (std::vector<std::string>{"dir/", "dir/checked.txt"})) << c.What;
    MemoryStream out;
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToStream(out, 0); }),
              "CRC error - dir/checked.txt")
        << c.What;
    std::filesystem::remove_all(FOut);
  }
}

TEST_F(ZipReaderExtract, InflationStopsAtTheRecordedSize) {
  // 64 MiB of zeros in about 64 KiB of deflate data, recorded as 1000 bytes.
  const std::string zeros(64 << 20, '\0');
  Load(CraftedArchive{.Entries = {{.Name = "bomb", .Content = zeros, .UncompressedSize = 1000}}});
  MemoryStream out;
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToStream(out, 0); }),
            "CRC error - bomb");
  EXPECT_LE(out.Size(), 1000);
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 0); }),
            "CRC error - bomb");
  EXPECT_EQ(Tree(FOut), std::vector<std::string>{});
}

TEST_F(ZipReaderExtract, CorruptOrMissingDataFailsWithoutAPartialFile) {
  CraftedArchive archive;
  archive.Entries.push_back({.Name = "corrupt.txt", .Content = "text", .Data = "\xFF\xFF\xFF\xFF"});
  // The local header is honest, so the walk passes; the central one claims 2 GiB.
  archive.Entries.push_back({.Name = "huge.txt",
                             .Content = "text",
                             .CompressedSize = 0x7FFFFFF0,
                             .LocalCompressedSize = uint32_t(testing::Deflate("text").size())});
  Load(archive);
  MemoryStream out;
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 0); }),
            "Error creating file.");
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToStream(out, 0); }),
            "data error");
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 1); }),
            "Error creating file.");
  EXPECT_EQ(testing::MessageOf<EStreamError>([&] { FReader.ExtractFileToStream(out, 1); }),
            "Stream read error");
  EXPECT_EQ(Tree(FOut), std::vector<std::string>{});
  EXPECT_EQ(out.Size(), 0);
}

TEST_F(ZipReaderExtract, RefusesStoredNamesThatLeaveTheRoot) {
  const char* const refused[] = {
      "/etc/passwd",
      "\\windows\\x.txt",
      "//server/share/x.txt",
      "\\\\server\\share\\x.txt",
      "C:/x.txt",
      "c:x.txt",
      "../x.txt",
      "..\\x.txt",
      "a/../../x.txt",
      "a/..",
      "..",
      "a/b/../../../x",
  };
  for (const char* name : refused) {
    Load(CraftedArchive{.Entries = {{.Name = name, .Content = "escape"}}});
    MemoryStream out;
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 0); }),
              std::string("Invalid file name - ") + name);
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractAllToDisk(); }),
              std::string("Invalid file name - ") + name);
    // The content itself stays available, and an explicit name is the caller's choice.
    FReader.ExtractFileToStream(out, 0);
    EXPECT_EQ(Content(out), "escape");
  }
  Load(CraftedArchive{.Entries = {{.Name = std::string("nul\0/x.txt", 10), .Content = "n"}}});
  // The message's text ends at the NUL.
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 0); }),
            "Invalid file name - nul");
  EXPECT_EQ(testing::ListNames(FDir.Path()), std::vector<std::string>{"test.zip"});

  const char* const accepted[] = {"a..b.txt", "..a/x.txt", "./c.txt", "d/./e.txt", "f/.../g.txt"};
  for (const char* name : accepted) {
    Load(CraftedArchive{.Entries = {{.Name = name, .Content = name}}});
    FReader.ExtractFileToDisk(u"", 0);
    EXPECT_EQ(testing::ReadFile(FOut + "/" + name), name);
  }
}

TEST_F(ZipReaderExtract, TakesNamesAsLongAsTheFileSystemAllows) {
  const std::string longest(255, 'n');
  Load(CraftedArchive{.Entries = {{.Name = "d/" + longest, .Content = "long"}}});
  EXPECT_EQ(FReader.ExtractFileToDisk(u"", 0), Text("d\\" + longest));
  EXPECT_EQ(testing::ReadFile(FOut + "/d/" + longest), "long");
  EXPECT_EQ(Tree(FOut), (std::vector<std::string>{"d/", "d/" + longest}));
}

TEST_F(ZipReaderExtract, ReplacesAnExistingFileButNotAFolder) {
  Load(CraftedArchive{
      .Entries = {{.Name = "x.txt", .Content = "new"}, {.Name = "d", .Content = "d"}}});
  testing::WriteFile(FOut + "/x.txt", "old and longer");
  testing::WriteFile(FOut + "/d/inside.txt", "kept");
  EXPECT_EQ(FReader.ExtractFileToDisk(u"", 0), u"x.txt");
  EXPECT_EQ(testing::ReadFile(FOut + "/x.txt"), "new");
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 1); }),
            "Error creating file.");
  EXPECT_EQ(Tree(FOut), (std::vector<std::string>{"d/", "d/inside.txt", "x.txt"}));
}

TEST_F(ZipReaderExtract, AScratchFileTakesTheCompressedDataAndIsRemoved) {
  CraftedArchive archive;
  archive.Entries.push_back({.Name = "good.txt", .Content = kText});
  archive.Entries.push_back({.Name = "stored.bin", .Content = kBinary, .Method = 0});
  archive.Entries.push_back({.Name = "bad.txt", .Content = kText, .Crc = 7});
  Load(archive);
  const std::string scratch = FDir / "scratch.tmp";
  FReader.SetTempFileName(Text(scratch));
  EXPECT_EQ(FReader.TempFileName(), Text(scratch));
  FReader.ExtractFileToDisk(u"", 0);
  EXPECT_EQ(testing::ReadFile(FOut + "/good.txt"), kText);
  MemoryStream out;
  FReader.ExtractFileToStream(out, 1);
  EXPECT_EQ(Content(out), kBinary);
  EXPECT_FALSE(testing::FileExists(scratch));
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 2); }),
            "CRC error - bad.txt");
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToStream(out, 2); }),
            "CRC error - bad.txt");
  EXPECT_FALSE(testing::FileExists(scratch));

  // A scratch file that cannot be made stops the extraction before anything is written.
  for (const std::string& unusable : {FDir / "no/such/folder/scratch", FArchive}) {
    FReader.SetTempFileName(Text(unusable));
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToDisk(u"", 1); }),
              "Error creating temporary file.");
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { FReader.ExtractFileToStream(out, 1); }),
              "Error creating temporary file.");
  }
  EXPECT_FALSE(testing::FileExists(FOut + "/stored.bin"));
  EXPECT_EQ(testing::ReadFile(FArchive), archive.Build());  // the archive was its own scratch
  EXPECT_EQ(testing::ListNames(FDir.Path()), (std::vector<std::string>{"out", "test.zip"}));
}

}  // namespace
}  // namespace vorlanth
