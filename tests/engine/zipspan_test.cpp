// Spanned and split output: where volumes break, what their headers say, how they are named,
// and that 7-Zip and Info-ZIP read the sets.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/zipwriter.h"
#include "tests/common/testing.h"
#include "tests/engine/archive_layout.h"

namespace vorlanth {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr uint32_t kVolume = 102400;

std::string Bytes(const MemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

uint16_t U16(const std::string& b, size_t at) {
  return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
uint32_t U32(const std::string& b, size_t at) {
  return uint32_t(U16(b, at)) | uint32_t(U16(b, at + 2)) << 16;
}

// A writer over files in `dir`, spanned at kVolume.
struct SpanFixture {
  TempDir Dir;
  TZipWriter Writer;
  std::vector<testing::ExpectedEntry> Entries;

  SpanFixture() {
    Writer.SetSpanDisk(true);
    Writer.SetDiskSize(kVolume);
  }
  void Add(const std::string& name, const std::string& content) {
    WriteFile(Dir / ("src/" + name), content);
    Writer.FileList().push_back(Text(Dir / ("src/" + name)));
    Entries.push_back({name, content});
  }
  void AddSmallEntries(size_t count) {
    for (size_t i = 0; i < count; ++i) {
      Add("file" + std::to_string(i) + ".bin",
          testing::PseudoRandomBytes(2000 + 397 * i, uint32_t(i)));
    }
  }
  std::string Volume(uint16_t number) {
    MemoryStream stream;
    Writer.ZipStreamDisk(number, stream);
    return Bytes(stream);
  }
};

// The positions where a local or central header begins in a spanned output.
std::vector<uint32_t> HeaderStarts(const std::string& output) {
  std::vector<uint32_t> starts;
  for (size_t at = 4; at + 4 <= output.size(); ++at) {
    uint32_t signature = U32(output, at);
    if (signature == 0x04034b50 || signature == 0x02014b50) starts.push_back(uint32_t(at));
  }
  return starts;
}

TEST(SpannedOutput, ManySmallEntriesBreakExactlyOrAtAHeader) {
  SpanFixture f;
  f.AddSmallEntries(33);
  std::string output;
  for (uint16_t v = 1;; ++v) {
    output += f.Volume(v);
    if (v == f.Writer.DiskCount()) break;
  }
  ASSERT_GE(f.Writer.DiskCount(), 3);
  const TDiskBreakArray& breaks = f.Writer.DiskBreaks();
  ASSERT_EQ(breaks.size(), size_t(f.Writer.DiskCount()) + 1);
  EXPECT_EQ(breaks.front(), 0u);
  EXPECT_EQ(breaks.back(), output.size());
  EXPECT_EQ(U32(output, 0), 0x08074b50u);
  const std::vector<uint32_t> headers = HeaderStarts(output);
  for (size_t k = 1; k + 1 < breaks.size(); ++k) {
    const bool exact = breaks[k] == breaks[k - 1] + kVolume;
    const bool atHeader = std::count(headers.begin(), headers.end(), breaks[k]) == 1;
    EXPECT_TRUE(exact || atHeader) << "break " << k << " at " << breaks[k];
    EXPECT_LE(breaks[k] - breaks[k - 1], kVolume);
  }
  EXPECT_EQ(U32(output, output.size() - 22), 0x06054b50u);  // the last volume ends with it
  EXPECT_LE(output.size() - breaks[breaks.size() - 2], kVolume + 22);
  // Disk numbers and offsets count per volume: each central header leads to its local header.
  for (uint32_t at : headers) {
    if (U32(output, at) != 0x02014b50) continue;
    uint16_t disk = U16(output, at + 34);
    uint32_t local = breaks[disk] + U32(output, at + 42);
    EXPECT_EQ(U32(output, local), 0x04034b50u) << "central header at " << at;
    EXPECT_LE(local + 30 + U16(output, local + 26), breaks[disk + 1]) << "header crosses a break";
  }
}

TEST(SpannedOutput, OneLargeEntryFillsEveryVolumeButTheLast) {
  SpanFixture f;
  const std::string big = testing::PseudoRandomBytes(5 * kVolume + 1234, 7);
  f.Add("big.bin", big);
  const uint16_t count = [&] {
    f.Volume(1);
    return f.Writer.DiskCount();
  }();
  ASSERT_EQ(count, 6);
  for (uint16_t v = 1; v < count; ++v)
    EXPECT_EQ(f.Volume(v).size(), kVolume) << v;
  const std::string first = f.Volume(1);
  EXPECT_EQ(U32(first, 0), 0x08074b50u);
  EXPECT_EQ(U32(first, 4), 0x04034b50u);
  const std::string last = f.Volume(count);
  const size_t centralAt = last.size() - 22 - 46 - 7;
  EXPECT_EQ(U32(last, centralAt), 0x02014b50u);
  EXPECT_EQ(U16(last, centralAt + 34), 0);  // the local header is on the first volume
  EXPECT_EQ(U32(last, centralAt + 42), 4u);
  const std::string end = last.substr(last.size() - 22);
  EXPECT_EQ(U16(end, 4), 5);                     // this disk
  EXPECT_EQ(U16(end, 6), 5);                     // central directory's disk
  EXPECT_EQ(U16(end, 8), 1);                     // records on this disk
  EXPECT_EQ(U32(end, 16), uint32_t(centralAt));  // offset within the volume
  EXPECT_EQ(U32(end, 12), 46u + 7u);             // directory size
}

TEST(SpannedOutput, CentralHeaderThatWouldCrossBeginsTheNextVolume) {
  // Size one entry so that its data ends 10 bytes before the first break: the central header
  // (46 bytes and its name) cannot fit there.
  SpanFixture f;
  size_t size = kVolume - 200;
  std::string central;
  for (int attempt = 0; attempt < 6; ++attempt) {
    f.Writer.FileList().clear();
    f.Entries.clear();
    f.Add("one.bin", testing::PseudoRandomBytes(size, 3));
    f.Volume(1);
    uint32_t centralStart = f.Writer.CDRBreaks()[0];
    if (f.Writer.DiskCount() == 2 && f.Writer.CDRBreaks()[0] == f.Writer.DiskBreaks()[1]) {
      central = f.Volume(2);
      break;
    }
    // Where the data would end without the move decides the next size to try.
    const uint32_t dataEnd = f.Writer.DiskCount() == 1 ? centralStart : 0;
    size = dataEnd ? size + (kVolume - 10 - dataEnd) : size - 20;
  }
  ASSERT_FALSE(central.empty()) << "could not place the data end just before the break";
  EXPECT_EQ(f.Writer.DiskCount(), 2);
  EXPECT_EQ(U32(central, 0), 0x02014b50u);  // the second volume begins with the header
  const std::string end = central.substr(central.size() - 22);
  EXPECT_EQ(U16(end, 4), 1);    // this disk
  EXPECT_EQ(U16(end, 6), 1);    // the directory starts on the second volume
  EXPECT_EQ(U16(end, 8), 1);    // and its header counts among the records on this disk
  EXPECT_EQ(U32(end, 16), 0u);  // at offset 0
  EXPECT_LE(f.Volume(1).size(), kVolume);
  EXPECT_GT(f.Volume(1).size(), kVolume - 46);
}

TEST(SpannedOutput, OneVolumeSetCarriesTheSingleVolumeMarkerInEveryOutput) {
  SpanFixture f;
  f.Add("a.txt", "a small entry");
  for (bool split : {false, true}) {
    f.Writer.SetSplitArchive(split);
    f.Writer.WriteZIPFile(Text(f.Dir / "one.zip"));
    EXPECT_EQ(f.Writer.DiskCount(), 1);
    EXPECT_EQ(ReadFile(f.Dir / "one.zip").substr(0, 4), "PK00");
    EXPECT_EQ(testing::ListNames(f.Dir.Path()), (std::vector<std::string>{"one.zip", "src"}));
  }
  f.Writer.WriteZIPFileDisk(Text(f.Dir / "disk.zip"), 1);
  const std::string disk = ReadFile(f.Dir / "disk.zip");
  EXPECT_EQ(f.Volume(1), disk);
  EXPECT_EQ(disk.substr(0, 4), "PK00");
  EXPECT_EQ(U32(disk, 4), 0x04034b50u);  // the first local header follows at once
  testing::Expect7zAccepts(f.Dir / "disk.zip");
  testing::ExpectUnzipAccepts(f.Dir / "disk.zip");
}

TEST(SpannedOutput, EmptySetIsTheBareEndRecordWithoutMarker) {
  SpanFixture f;
  const std::string bare = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  EXPECT_EQ(f.Volume(1), bare);
  f.Writer.WriteZIPFile(Text(f.Dir / "e.zip"));
  EXPECT_EQ(ReadFile(f.Dir / "e.zip"), bare);
  f.Writer.WriteZIPFileDisk(Text(f.Dir / "d.zip"), 1);
  EXPECT_EQ(ReadFile(f.Dir / "d.zip"), bare);
  EXPECT_EQ(f.Writer.DiskCount(), 1);
}

TEST(SpannedOutput, VolumeFilesAreNamedAsSpanOrSplitSets) {
  struct Case {
    bool Split;
    size_t Volumes;
    const char* Name;
    std::vector<std::string> Files;
  };
  const Case cases[] = {
      {true, 3, "archive.zip", {"archive.z01", "archive.z02", "archive.zip"}},
      {false, 3, "archive.zip", {"archive001.zip", "archive002.zip", "archive003.zip"}},
      {true,
       12,
       "archive.zip",
       {"archive.z01", "archive.z02", "archive.z03", "archive.z04", "archive.z05", "archive.z06",
        "archive.z07", "archive.z08", "archive.z09", "archive.z10", "archive.z11", "archive.zip"}},
      {true, 3, "backup", {"ba.z01", "ba.z02", "backup"}},
      {false, 2, "backup", {"ba001.zip", "ba002.zip"}},
  };
  for (const Case& c : cases) {
    SpanFixture f;
    f.Add("data.bin", testing::PseudoRandomBytes(kVolume * (c.Volumes - 1) + 1000, 5));
    f.Writer.SetSplitArchive(c.Split);
    TempDir out;
    WriteFile(out / c.Name, "an earlier archive");
    f.Writer.WriteZIPFile(Text(out / c.Name));
    EXPECT_EQ(f.Writer.DiskCount(), c.Volumes);
    EXPECT_EQ(testing::ListNames(out.Path()), c.Files) << c.Name;
    std::string joined;
    for (const std::string& file : c.Files)
      joined += ReadFile(out / file);
    std::string streamed;
    for (uint16_t v = 1; v <= c.Volumes; ++v)
      streamed += f.Volume(v);
    EXPECT_EQ(joined, streamed);
  }
  EXPECT_EQ(SpanVolumeName(u"C:\\out\\backup.zip", 12), u"C:\\out\\backup012.zip");
  EXPECT_EQ(SplitVolumeName(u"x.zip", 100), u"x.z100");
}

TEST(SpannedOutput, EveryOutputCutsTheSameVolumes) {
  SpanFixture f;
  f.AddSmallEntries(30);
  f.Writer.SetSplitArchive(false);
  f.Writer.WriteZIPFile(Text(f.Dir / "set.zip"));
  const uint16_t count = f.Writer.DiskCount();
  ASSERT_GE(count, 3);
  for (uint16_t v = 1; v <= count; ++v) {
    const std::string fromSet = ReadFile(f.Dir / ("set" + ToUtf8(DecimalText(v, 3)) + ".zip"));
    f.Writer.WriteZIPFileDisk(Text(f.Dir / "one.zip"), v);
    EXPECT_EQ(ReadFile(f.Dir / "one.zip"), fromSet) << "volume " << v;
    MemoryStream stream;
    stream.WriteBuffer("prefix", 6);  // appended to, then rewound
    f.Writer.ZipStreamDisk(v, stream);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(Bytes(stream), "prefix" + fromSet) << "volume " << v;
  }
}

TEST(SpannedOutput, VolumeNumbersOutsideTheSetFailAfterTheBuild) {
  SpanFixture f;
  f.Add("data.bin", testing::PseudoRandomBytes(kVolume * 2 + 1000, 5));
  const std::string message = "Incorrect parameters to produce single disk from spanned set";
  for (bool span : {true, false}) {
    f.Writer.SetSpanDisk(span);
    for (uint16_t disk : {uint16_t(0), uint16_t(span ? 4 : 1)}) {
      MemoryStream stream;
      stream.WriteBuffer("keep", 4);
      EXPECT_EQ(testing::MessageOf<EZipError>([&] { f.Writer.ZipStreamDisk(disk, stream); }),
                message);
      EXPECT_EQ(Bytes(stream), "keep");               // left as it was
      EXPECT_EQ(f.Writer.DiskCount(), span ? 3 : 1);  // the build ran first
      EXPECT_EQ(testing::MessageOf<EZipError>(
                    [&] { f.Writer.WriteZIPFileDisk(Text(f.Dir / "v.zip"), disk); }),
                message);
      EXPECT_FALSE(testing::FileExists(f.Dir / "v.zip"));
      EXPECT_FALSE(testing::FileExists(f.Dir / "v.zip$temp$"));
    }
  }
}

TEST(SpannedOutput, ScratchFileIsRemovedOnEveryPath) {
  SpanFixture f;
  f.Add("data.bin", testing::PseudoRandomBytes(kVolume + 1000, 5));
  f.Writer.WriteZIPFileDisk(Text(f.Dir / "v.zip"), 2);
  EXPECT_FALSE(testing::FileExists(f.Dir / "v.zip$temp$"));
  f.Writer.WriteZIPFileDisk(Text(f.Dir / "v.zip"), 1);
  EXPECT_FALSE(testing::FileExists(f.Dir / "v.zip$temp$"));
  f.Writer.FileList().push_back(Text(f.Dir / "missing"));
  WriteFile(f.Dir / "v.zip", "earlier");
  EXPECT_THROW(f.Writer.WriteZIPFileDisk(Text(f.Dir / "v.zip"), 1), EZipError);
  EXPECT_FALSE(testing::FileExists(f.Dir / "v.zip$temp$"));
  EXPECT_EQ(ReadFile(f.Dir / "v.zip"), "earlier");
  EXPECT_EQ(testing::MessageOf<EZipError>(
                [&] { f.Writer.WriteZIPFileDisk(Text(f.Dir / "no/dir/v.zip"), 1); }),
            "Error creating file " + (f.Dir / "no/dir/v.zip"));
}

TEST(SpannedOutput, AVolumeFileThatCannotBeCreatedFailsTheSave) {
  SpanFixture f;
  f.Add("data.bin", testing::PseudoRandomBytes(kVolume * 2 + 1000, 5));
  TempDir out;
  ASSERT_EQ(mkdir((out / "archive002.zip").c_str(), 0755), 0);  // takes the second volume's name
  EXPECT_EQ(
      testing::MessageOf<EZipError>([&] { f.Writer.WriteZIPFile(Text(out / "archive.zip")); }),
      "Error creating file " + (out / "archive.zip"));
  // The volume written before the failure stays; no build file is left beside the target.
  EXPECT_EQ(testing::ListNames(out.Path()),
            (std::vector<std::string>{"archive001.zip", "archive002.zip"}));
  EXPECT_EQ(ReadFile(out / "archive001.zip"), f.Volume(1));
}

TEST(SpannedOutput, VolumeSizeTooSmallForAHeaderIsRefused) {
  for (uint32_t size : {0u, 1u, 40u}) {
    SpanFixture f;
    f.Add("name-of-some-length.txt", "data");
    f.Writer.SetDiskSize(size);
    WriteFile(f.Dir / "out.zip", "earlier");
    EXPECT_TRUE(
        testing::MessageOf<EZipError>([&] { f.Writer.WriteZIPFile(Text(f.Dir / "out.zip")); })
            .starts_with("The volume size of " + std::to_string(size) +
                         " bytes is too small for the archive"))
        << size;
    EXPECT_EQ(testing::ListNames(f.Dir.Path()), (std::vector<std::string>{"out.zip", "src"}));
    EXPECT_EQ(ReadFile(f.Dir / "out.zip"), "earlier");
    EXPECT_THROW(f.Volume(1), EZipError);
  }
  // The smallest volume that holds the largest header with its name works.
  SpanFixture f;
  f.Add("n.txt", testing::PseudoRandomBytes(500, 1));
  f.Writer.SetDiskSize(46 + 5);
  EXPECT_NO_THROW(f.Volume(1));
  EXPECT_GT(f.Writer.DiskCount(), 10);
}

// Interoperability: 7-Zip reads split sets, and Info-ZIP joins them.
TEST(SpannedOutputInterop, SevenZipReadsSplitSets) {
  struct Case {
    const char* Label;
    std::function<void(SpanFixture&)> Fill;
  };
  const Case cases[] = {
      {"many small entries", [](SpanFixture& f) { f.AddSmallEntries(40); }},
      {"one large entry",
       [](SpanFixture& f) { f.Add("large.bin", testing::PseudoRandomBytes(7 * kVolume + 99, 8)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Label);
    SpanFixture f;
    c.Fill(f);
    f.Writer.SetSplitArchive(true);
    TempDir out;
    f.Writer.WriteZIPFile(Text(out / "archive.zip"));
    ASSERT_GE(f.Writer.DiskCount(), 3);
    testing::Expect7zAccepts(out / "archive.zip");
    TempDir extracted;
    auto result = testing::RunCommand("cd " + testing::ShellQuote(extracted.Path()) +
                                      " && 7zz x -bd " + testing::ShellQuote(out / "archive.zip"));
    ASSERT_EQ(result.ExitCode, 0) << result.Output;
    for (const testing::ExpectedEntry& e : f.Entries)
      EXPECT_EQ(ReadFile(extracted / e.Name), e.Content);

    // A span set renamed to split names reads the same way.
    f.Writer.SetSplitArchive(false);
    TempDir span;
    f.Writer.WriteZIPFile(Text(span / "archive.zip"));
    const uint16_t count = f.Writer.DiskCount();
    for (uint16_t v = 1; v <= count; ++v) {
      std::string from = span / ("archive" + ToUtf8(DecimalText(v, 3)) + ".zip");
      std::string to =
          v == count ? span / "archive.zip" : span / ("archive.z" + ToUtf8(DecimalText(v, 2)));
      ASSERT_EQ(std::rename(from.c_str(), to.c_str()), 0);
    }
    testing::Expect7zAccepts(span / "archive.zip");
  }
}

TEST(SpannedOutputInterop, InfoZipJoinsSplitSetsOfSmallEntries) {
  SpanFixture f;
  f.AddSmallEntries(40);  // each entry far smaller than a volume: spans at most two
  f.Writer.SetSplitArchive(true);
  TempDir out;
  f.Writer.WriteZIPFile(Text(out / "archive.zip"));
  ASSERT_GE(f.Writer.DiskCount(), 3);
  auto joined = testing::RunCommand("zip -s 0 " + testing::ShellQuote(out / "archive.zip") +
                                    " --out " + testing::ShellQuote(out / "joined.zip"));
  ASSERT_EQ(joined.ExitCode, 0) << joined.Output;
  testing::ExpectUnzipAccepts(out / "joined.zip");
  testing::ExpectPythonReads(out / "joined.zip", f.Entries);
}

}  // namespace
}  // namespace vorlanth
