// vorlanth list and extract from the shell: listings against Python's, extracted trees, failures.
#include <gtest/gtest.h>

#include "tests/common/testing.h"

namespace vorlanth {
namespace {

using testing::RunCommand;
using testing::ShellQuote;
using testing::TempDir;

testing::CommandResult Cli(const std::string& arguments) {
  return RunCommand(ShellQuote(testing::CliPath()) + " " + arguments);
}

// Writes ARCHIVE with Python's zipfile and prints the listing `vorlanth list` must give.
const char* const kMakeArchive = R"(
import sys, zipfile
entries = [
    ("notes.txt", b"plain notes\n" * 50, zipfile.ZIP_DEFLATED, (2024, 3, 3, 14, 33, 8)),
    ("docs/", b"", zipfile.ZIP_STORED, (2010, 3, 3, 14, 37, 58)),
    ("docs/Gr\u00fc\u00dfe.txt", "gr\u00fc\u00dfe".encode(), zipfile.ZIP_STORED,
     (1999, 12, 31, 23, 59, 58)),
    ("docs/empty", b"", zipfile.ZIP_DEFLATED, (1980, 1, 1, 0, 0, 0)),
]
with zipfile.ZipFile(sys.argv[1], "w") as archive:
    for name, data, method, when in entries:
        info = zipfile.ZipInfo(name, when)
        info.compress_type = method
        archive.writestr(info, data)
with zipfile.ZipFile(sys.argv[1]) as archive:
    for index, info in enumerate(archive.infolist()):
        line = "%d\t%s\t%d\t%d\t%04d-%02d-%02d %02d:%02d:%02d\n" % (
            (index, info.filename, info.compress_size, info.file_size) + info.date_time)
        sys.stdout.buffer.write(line.encode())
)";

class ListExtractCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteFile(FDir / "make.py", kMakeArchive);
    testing::CommandResult made =
        RunCommand("python3 " + ShellQuote(FDir / "make.py") + " " + ShellQuote(FArchive));
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    FListing = made.Output;
  }

  TempDir FDir;
  std::string FArchive = FDir / "a.zip";
  std::string FListing;
};

TEST_F(ListExtractCommand, ListsEveryEntryAsStored) {
  testing::CommandResult result = Cli("list " + ShellQuote(FArchive));
  ASSERT_EQ(result.ExitCode, 0) << result.Output;
  EXPECT_EQ(result.Output, FListing);
  EXPECT_NE(FListing.find("2\tdocs/Gr\xC3\xBC\xC3\x9F"
                          "e.txt\t7\t7\t1999-12-31 23:59:58\n"),
            std::string::npos);
}

TEST_F(ListExtractCommand, ExtractsEverythingOrTheListedIndexes) {
  testing::CommandResult all =
      Cli("extract --to " + ShellQuote(FDir / "all") + " " + ShellQuote(FArchive));
  ASSERT_EQ(all.ExitCode, 0) << all.Output;
  EXPECT_EQ(all.Output, "");
  EXPECT_EQ(testing::ReadFile(FDir / "all/notes.txt"), [] {
    std::string notes;
    for (int i = 0; i < 50; ++i)
      notes += "plain notes\n";
    return notes;
  }());
  EXPECT_EQ(testing::ReadFile(FDir / "all/docs/Gr\xC3\xBC\xC3\x9F"
                                     "e.txt"),
            "gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_EQ(testing::ReadFile(FDir / "all/docs/empty"), "");

  // Into the working directory by default, only the entries asked for.
  testing::WriteFile(FDir / "here/keep", "");
  testing::CommandResult some =
      RunCommand("cd " + ShellQuote(FDir / "here") + " && " + ShellQuote(testing::CliPath()) +
                 " extract " + ShellQuote(FArchive) + " 3 1");
  ASSERT_EQ(some.ExitCode, 0) << some.Output;
  EXPECT_EQ(testing::ListNames(FDir / "here"), (std::vector<std::string>{"docs", "keep"}));
  EXPECT_EQ(testing::ListNames(FDir / "here/docs"), std::vector<std::string>{"empty"});
}

TEST_F(ListExtractCommand, FailuresPrintTheMessageAndExitWithOne) {
  // A stored entry whose bytes no longer match its CRC-32.
  std::string damaged = testing::ReadFile(FArchive);
  damaged.replace(damaged.find("gr\xC3\xBC"), 2, "GR");
  testing::WriteFile(FDir / "damaged.zip", damaged);
  testing::WriteFile(FDir / "not.zip", "not an archive");
  const std::string out = ShellQuote(FDir / "out");
  struct Case {
    std::string Arguments;
    std::string Output;
  };
  const Case cases[] = {
      {"list " + ShellQuote(FDir / "missing.zip"),
       "File not found - " + FDir / "missing.zip" + "\n"},
      {"list " + ShellQuote(FDir / "not.zip"), "Error reading zip file - invalid format.\n"},
      {"extract --to " + out + " " + ShellQuote(FArchive) + " 4", "Index out of range.\n"},
      {"extract --to " + out + " " + ShellQuote(FDir / "damaged.zip") + " 2",
       "CRC error - docs/Gr\xC3\xBC\xC3\x9F"
       "e.txt\n"},
      {"extract --to " + out + " " + ShellQuote(FArchive) + " two",
       "vorlanth extract: INDEX must be a whole number: two\n"
       "usage: vorlanth extract [--to DIR] ARCHIVE [INDEX...]\n"},
      {"list", "vorlanth list: needs exactly one archive\nusage: vorlanth list ARCHIVE\n"},
      {"extract",
       "vorlanth extract: needs an archive\n"
       "usage: vorlanth extract [--to DIR] ARCHIVE [INDEX...]\n"},
  };
  for (const Case& c : cases) {
    testing::CommandResult result = Cli(c.Arguments);
    EXPECT_EQ(result.ExitCode, 1) << c.Arguments;
    EXPECT_EQ(result.Output, c.Output) << c.Arguments;
  }
  EXPECT_EQ(testing::ListNames(FDir / "out"), std::vector<std::string>{"docs"});
  EXPECT_EQ(testing::ListNames(FDir / "out/docs"), std::vector<std::string>{});
}

TEST_F(ListExtractCommand, HelpDescribesBothCommands) {
  for (const char* command : {"list", "extract"}) {
    testing::CommandResult result = Cli(std::string(command) + " --help");
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_TRUE(result.Output.starts_with("usage: vorlanth " + std::string(command)))
        << result.Output;
  }
  EXPECT_NE(Cli("--help").Output.find("vorlanth extract [--to DIR] ARCHIVE [INDEX...]"),
            std::string::npos);
}

}  // namespace
}  // namespace vorlanth
