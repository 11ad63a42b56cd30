// Archives written by other tools, read back entry by entry against the files they came from.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "engine/zipwriter.h"
#include "platform/text.h"
#include "tests/common/testing.h"

namespace vorlanth {
namespace {

namespace fs = std::filesystem;

// The files and folders the tools archive, by relative path (folders end in "/").
std::map<std::string, std::string> SourceTree() {
  return {
      {"text.txt", testing::TextLines(200000, 1)},
      {"big.txt", testing::TextLines(1500000, 2)},
      {"bin.dat", testing::PseudoRandomBytes(100000, 3)},
      {"empty.txt", ""},
      {"sub/", ""},
      {"sub/deeper/", ""},
      {"sub/deeper/f.txt", "deep\n"},
      {"emptydir/", ""},
      {"Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC.txt",
       "gr\xC3\xBC\xC3\x9F"
       "e\n"},
  };
}

class ZipReaderInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [name, content] : FTree) {
      if (name.ends_with('/'))
        fs::create_directories(FSource + "/" + name);
      else
        testing::WriteFile(FSource + "/" + name, content);
    }
  }

  void Run(const std::string& commandLine) {
    testing::CommandResult result = testing::RunCommand(commandLine);
    ASSERT_EQ(result.ExitCode, 0) << commandLine << "\n" << result.Output;
  }

  // Lists and extracts every entry, to a stream and to disk, against `expected`. With
  // `prefixed`, stored names begin with "./" (and "./" itself is an entry).
  void ExpectReads(const std::string& archive, const std::map<std::string, std::string>& expected,
                   bool prefixed = false) {
    SCOPED_TRACE(archive);
    TZipReader reader;
    reader.ReadFromFile(Text(archive));
    std::map<std::string, std::string> seen;
    for (int i = 0; i < reader.Count(); ++i) {
      const TZipRec record = reader.FileProperties(i);
      std::string name = ToUtf8(record.FileName);
      if (prefixed) {
        if (name == "./") continue;
        ASSERT_TRUE(name.starts_with("./")) << name;
        name.erase(0, 2);
      }
      MemoryStream content;
      if (!name.ends_with('/')) reader.ExtractFileToStream(content, i);
      seen[name] = std::string(content.Bytes().begin(), content.Bytes().end());
      EXPECT_EQ(record.UncompressedSize, seen[name].size()) << name;
      EXPECT_EQ(record.CRC, testing::Crc32(seen[name])) << name;
    }
    EXPECT_EQ(seen, expected);

    const std::string out = FDir / "out";
    fs::remove_all(out);
    reader.SetPathRoot(Text(out));
    reader.ExtractAllToDisk();
    std::map<std::string, std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
      const std::string name = fs::relative(entry.path(), out).string();
      written[entry.is_directory() ? name + "/" : name] =
          entry.is_directory() ? "" : testing::ReadFile(entry.path());
    }
    EXPECT_EQ(written, expected);
  }

  testing::TempDir FDir;
  std::string FSource = FDir / "src";
  std::map<std::string, std::string> FTree = SourceTree();
};

std::string Quote(const std::string& text) {
  return testing::ShellQuote(text);
}

TEST_F(ZipReaderInterop, ReadsInfoZip) {
  struct Case {
    const char* Options;
    const char* File;
  };
  // Deflated and stored, with the usual extended-timestamp and Unix extra fields; and with a
  // data descriptor after each entry's data.
  for (Case c : {Case{"-r", "deflated.zip"}, Case{"-r -0", "stored.zip"},
                 Case{"-r -fd", "descriptors.zip"}}) {
    const std::string archive = FDir / c.File;
    Run("cd " + Quote(FSource) + " && zip -q " + c.Options + " " + Quote(archive) + " .");
    ExpectReads(archive, FTree);
  }
}

TEST_F(ZipReaderInterop, ReadsInfoZipFromAPipe) {
  // Sizes unknown in advance: all-ones sizes with a ZIP64 extra field in the local header and a
  // data descriptor after the data; the central directory has the real values.
  for (const char* file : {"text.txt", "bin.dat", "empty.txt"}) {
    const std::string archive = FDir / "pipe.zip";
    Run("cat " + Quote(FSource + "/" + file) + " | zip -q - - | cat > " + Quote(archive));
    ExpectReads(archive, {{"-", FTree.at(file)}});
  }
}

TEST_F(ZipReaderInterop, ReadsPythonsZipfile) {
  const std::string script = testing::SourcePath("tests/engine/zipfixtures.py");
  for (const char* kind : {"deflated", "stored", "unseekable", "utf8-unflagged", "cp1252"}) {
    const std::string archive = FDir / (std::string(kind) + ".zip");
    Run("python3 " + Quote(script) + " " + kind + " " + Quote(FSource) + " " + Quote(archive));
    ExpectReads(archive, FTree);
  }
}

TEST_F(ZipReaderInterop, ReadsSevenZip) {
  const std::string archive = FDir / "7z.zip";
  Run("cd " + Quote(FSource) + " && 7zz a -tzip -bd -bso0 " + Quote(archive) + " .");
  ExpectReads(archive, FTree);
}

TEST_F(ZipReaderInterop, ReadsLibarchive) {
  // bsdtar streams: every file entry has a data descriptor, names begin with "./".
  const std::string archive = FDir / "bsdtar.zip";
  Run("cd " + Quote(FSource) + " && bsdtar --format zip -cf " + Quote(archive) + " .");
  ExpectReads(archive, FTree, true);
}

TEST_F(ZipReaderInterop, DecodesNamesWithAndWithoutFlagBit11) {
  const std::string script = testing::SourcePath("tests/engine/zipfixtures.py");
  const std::string name =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC.txt";
  struct Case {
    const char* Kind;
    bool Flagged;
  };
  for (Case c : {Case{"deflated", true}, Case{"utf8-unflagged", false}, Case{"cp1252", false}}) {
    const std::string archive = FDir / "names.zip";
    Run("python3 " + Quote(script) + " " + c.Kind + " " + Quote(FSource) + " " + Quote(archive));
    TZipReader reader;
    reader.ReadFromFile(Text(archive));
    bool found = false;
    for (int i = 0; i < reader.Count(); ++i) {
      const TZipRec record = reader.FileProperties(i);
      if (record.FileName != FromUtf8(name)) continue;
      found = true;
      EXPECT_EQ((record.BitFlag & 0x800) != 0, c.Flagged) << c.Kind;
      // The name is 15 bytes in UTF-8 and 11 in Windows-1252.
      EXPECT_EQ(record.FileNameLength, std::string_view(c.Kind) == "cp1252" ? 11 : 15) << c.Kind;
    }
    EXPECT_TRUE(found) << c.Kind;
    EXPECT_TRUE(reader.UTF8FileNames()) << c.Kind;
  }
}

}  // namespace
}  // namespace vorlanth
