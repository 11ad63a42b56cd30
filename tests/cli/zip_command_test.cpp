// vorlanth zip from the shell: archives the tools accept, names, volumes, failures.
#include <gtest/gtest.h>

#include "tests/common/testing.h"

namespace vorlanth {
namespace {

using testing::RunCommand;
using testing::ShellQuote;
using testing::TempDir;
using testing::WriteFile;

testing::CommandResult Zip(const std::string& arguments) {
  return RunCommand(ShellQuote(testing::CliPath()) + " zip " + arguments);
}

TEST(ZipCommand, BuildsArchivesOfFilesAndTreesWithShapedNames) {
  TempDir dir;
  WriteFile(dir / "site/index.html", "<html>");
  WriteFile(dir / "site/docs/Grüße.txt", "grüße");
  WriteFile(dir / "notes.txt", "notes");
  auto result = Zip("--keep-paths --root " + ShellQuote(dir.Path()) + " --name renamed.txt " +
                    ShellQuote(dir / "out.zip") + " " + ShellQuote(dir / "notes.txt") + " " +
                    ShellQuote(dir / "site"));
  ASSERT_EQ(result.ExitCode, 0) << result.Output;
  EXPECT_EQ(result.Output, "");
  testing::ExpectToolsAccept(dir / "out.zip", {{"renamed.txt", "notes"},
                                               {"site/docs/Gr\xC3\xBC\xC3\x9F" "e.txt", "grüße"},
                                               {"site/index.html", "<html>"}});
  ASSERT_EQ(Zip(ShellQuote(dir / "flat.zip") + " " + ShellQuote(dir / "site")).ExitCode, 0);
  testing::ExpectPythonReads(dir / "flat.zip",
                             {{"Gr\xC3\xBC\xC3\x9F" "e.txt", "grüße"}, {"index.html", "<html>"}});
}

TEST(ZipCommand, CutsVolumeSetsAndSingleVolumes) {
  TempDir dir;
  const std::string data = testing::PseudoRandomBytes(250000, 3);
  WriteFile(dir / "data.bin", data);
  ASSERT_EQ(Zip("--span 100 --split " + ShellQuote(dir / "set.zip") + " " +
                ShellQuote(dir / "data.bin"))
                .ExitCode,
            0);
  EXPECT_EQ(testing::ListNames(dir.Path()),
            (std::vector<std::string>{"data.bin", "set.z01", "set.z02", "set.zip"}));
  testing::Expect7zAccepts(dir / "set.zip");
  ASSERT_EQ(Zip("--span 100 --volume 2 " + ShellQuote(dir / "two.zip") + " " +
                ShellQuote(dir / "data.bin"))
                .ExitCode,
            0);
  EXPECT_EQ(testing::ReadFile(dir / "two.zip"), testing::ReadFile(dir / "set.z02"));
}

TEST(ZipCommand, FailuresPrintTheMessageAndExitWithOne) {
  TempDir dir;
  struct Case {
    std::string Arguments;
    std::string Output;
  };
  const Case cases[] = {
      {ShellQuote(dir / "out.zip") + " " + ShellQuote(dir / "missing"),
       "Error reading source file: " + (dir / "missing") + "\n"},
      {"--span 100 --volume 3 " + ShellQuote(dir / "out.zip") + " " + ShellQuote(dir.Path()),
       "Incorrect parameters to produce single disk from spanned set\n"},
  };
  for (const Case& c : cases) {
    auto result = Zip(c.Arguments);
    EXPECT_EQ(result.ExitCode, 1) << c.Arguments;
    EXPECT_EQ(result.Output, c.Output);
  }
  EXPECT_FALSE(testing::FileExists(dir / "out.zip"));
  for (const char* usage : {"", "only-an-archive.zip", "--span 0 a.zip b", "--split a.zip b",
                            "--bogus a.zip b", "--root"}) {
    auto result = Zip(usage);
    EXPECT_EQ(result.ExitCode, 1) << usage;
    EXPECT_NE(result.Output.find("usage: vorlanth zip"), std::string::npos) << result.Output;
  }
  auto help = Zip("--help");
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_NE(help.Output.find("--keep-paths"), std::string::npos);
  EXPECT_EQ(RunCommand(ShellQuote(testing::CliPath()) + " frobnicate").ExitCode, 1);
}

}  // namespace
}  // namespace vorlanth
