// TZipWriter with URL sources fetched from the local test server.
#include <gtest/gtest.h>

#include "engine/zipwriter.h"
#include "platform/files.h"
#include "tests/common/testing.h"
#include "tests/common/webservers.h"
#include "tests/engine/archive_layout.h"

namespace vorlanth {
namespace {

class ZipWriterUrlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing::LocalWebServers::ClearProxySettings();
    Folder = std::make_unique<testing::TempDir>();
    Report = testing::TextLines(90000, 11);
    testing::WriteFile(*Folder / "files/report.pdf", Report);
    Servers = std::make_unique<testing::LocalWebServers>(Folder->Path());
  }
  static void TearDownTestSuite() {
    Servers.reset();
    Folder.reset();
  }
  void SetUp() override {
    if (!Servers->Error().empty()) GTEST_FAIL() << Servers->Error();
  }
  static std::u16string Url(const std::string& target) {
    return Text(Servers->Base("http") + target);
  }
  static testing::ArchiveLayout Build(TZipWriter& writer) {
    MemoryStream stream;
    writer.ZipStream(stream);
    return testing::ReadLayout(std::string(stream.Bytes().begin(), stream.Bytes().end()));
  }

  static inline std::unique_ptr<testing::TempDir> Folder;
  static inline std::unique_ptr<testing::LocalWebServers> Servers;
  static inline std::string Report;
};

TEST_F(ZipWriterUrlTest, UrlEntriesAreNamedFromThePathAndMarkedAsUrls) {
  for (bool keep : {false, true}) {
    TZipWriter writer;
    writer.SetKeepDirInfo(keep);
    // Trailing blanks and control characters are trimmed before the fetch; schemes are
    // recognised in any letter case.
    writer.FileList() = {Url("/files/dir/report.pdf?id=7"), Url("/files/report.pdf") + u"\t",
                         ReplaceAll(Url("/files/report.pdf"), u'h', u'H')};
    testing::ArchiveLayout layout = Build(writer);
    ASSERT_EQ(layout.Entries.size(), 3u);
    EXPECT_EQ(layout.Entries[0].Name, "report.pdf") << keep;
    for (const testing::LayoutEntry& e : layout.Entries) {
      EXPECT_EQ(e.Content, Report);
      EXPECT_EQ(e.ExternalAttr, 128u);
      EXPECT_EQ(e.InternalAttr, 1);
      EXPECT_LE(std::abs(double(FromDosDateTime({e.Time, e.Date}) - std::time(nullptr))), 4.0);
    }
  }
}

TEST_F(ZipWriterUrlTest, AlternativeNamesNameUrlEntriesToo) {
  TZipWriter writer;
  writer.SetKeepDirInfo(true);
  writer.FileList() = {Url("/files/report.pdf"), Url("/files/report.pdf")};
  writer.AltFileList() = {u"reports\\2024\\q1.pdf"};
  testing::ArchiveLayout layout = Build(writer);
  ASSERT_EQ(layout.Entries.size(), 2u);
  EXPECT_EQ(layout.Entries[0].Name, "reports/2024/q1.pdf");
  EXPECT_EQ(layout.Entries[1].Name, "report.pdf");
}

TEST_F(ZipWriterUrlTest, CredentialsAnswerTheChallenge) {
  TZipWriter writer;
  writer.FileList() = {Url("/auth")};
  EXPECT_THROW(Build(writer), EZipError);
  writer.SetURLUsername(u"user");
  writer.SetURLPassword(u"secret");
  testing::ArchiveLayout layout = Build(writer);
  ASSERT_EQ(layout.Entries.size(), 1u);
  EXPECT_EQ(layout.Entries[0].Content, "welcome");
}

TEST_F(ZipWriterUrlTest, AFailedFetchEndsTheBuild) {
  for (const std::u16string& url : {Url("/files/missing.bin"), Text("http://127.0.0.1:1/x")}) {
    TZipWriter writer;
    writer.FileList() = {url};
    try {
      Build(writer);
      ADD_FAILURE() << "built from " << ToUtf8(url);
    } catch (const EZipError& error) {
      EXPECT_STREQ(error.what(), "Error reading remote file");
    }
  }
}

}  // namespace
}  // namespace vorlanth
