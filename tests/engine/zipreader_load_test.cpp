// Loading and listing: what the walk accepts, what it refuses, and what a load leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "engine/zipwriter.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "tests/common/testing.h"
#include "tests/engine/craftedzip.h"

namespace vorlanth {
namespace {

using testing::CraftedArchive;
using testing::CraftedEntry;

std::string LoadFailure(TZipReader& reader, const std::string& path) {
  try {
    reader.ReadFromFile(Text(path));
  } catch (const EZipError& error) {
    return error.what();
  }
  return "loaded";
}

void ExpectEmpty(const TZipReader& reader) {
  EXPECT_EQ(reader.Count(), 0);
  EXPECT_FALSE(reader.FileAvailable());
  EXPECT_FALSE(reader.SpannedFileAvailable());
  EXPECT_EQ(reader.FileName(), u"");
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.FileProperties(0); }),
            "Index out of range.");
}

CraftedArchive ThreeEntries() {
  CraftedArchive archive;
  archive.Entries.push_back({.Name = "a.txt", .Content = "alpha alpha alpha", .Comment = "first"});
  archive.Entries.push_back({.Name = "dir/", .Content = "", .Method = 0, .ExternalAttr = 16});
  archive.Entries.push_back({.Name = "dir/b.bin",
                             .Content = testing::PseudoRandomBytes(3000, 1),
                             .Method = 0,
                             .LocalExtra = std::string(6, 'L'),
                             .CentralExtra = std::string(4, 'C'),
                             .ModTime = 0x1234,
                             .ModDate = 0x4321,
                             .InternalAttr = 1,
                             .ExternalAttr = 33});
  return archive;
}

TEST(ZipReaderLoad, AFreshReaderIsEmpty) {
  TZipReader reader;
  ExpectEmpty(reader);
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.FileProperties(-1); }),
            "Index out of range.");
  EXPECT_FALSE(reader.UTF8FileNames());
  EXPECT_EQ(reader.PathRoot(), u"");
  EXPECT_EQ(reader.TempFileName(), u"");
}

TEST(ZipReaderLoad, ListsEveryCentralHeaderAsStored) {
  testing::TempDir dir;
  CraftedArchive archive = ThreeEntries();
  const std::string bytes = archive.Build();
  testing::WriteFile(dir / "three.zip", bytes);
  TZipReader reader;
  reader.SetPathRoot(u"kept/");
  reader.ReadFromFile(Text(dir / "three.zip"));
  ASSERT_EQ(reader.Count(), 3);
  EXPECT_TRUE(reader.FileAvailable());
  EXPECT_FALSE(reader.SpannedFileAvailable());
  EXPECT_EQ(reader.FileName(), Text(dir / "three.zip"));
  EXPECT_EQ(reader.PathRoot(), u"kept/");

  const TZipRec a = reader.FileProperties(0);
  EXPECT_EQ(a.FileName, u"a.txt");
  EXPECT_EQ(a.FileComment, u"first");
  EXPECT_EQ(a.FileCommentLength, 5);
  EXPECT_EQ(a.CompressionMethod, 8);
  EXPECT_EQ(a.CompressedSize, testing::Deflate("alpha alpha alpha").size());
  EXPECT_EQ(a.UncompressedSize, 17u);
  EXPECT_EQ(a.CRC, testing::Crc32("alpha alpha alpha"));
  EXPECT_EQ(a.Offset, 0u);
  EXPECT_EQ(a.VersionMadeBy, 20);
  EXPECT_EQ(a.VersionNeeded, 20);

  const TZipRec b = reader.FileProperties(2);
  EXPECT_EQ(b.FileName, u"dir/b.bin");
  EXPECT_EQ(b.FileNameLength, 9);
  EXPECT_EQ(b.CompressionMethod, 0);
  EXPECT_EQ(b.CompressedSize, 3000u);
  EXPECT_EQ(b.ModTime, 0x1234);
  EXPECT_EQ(b.ModDate, 0x4321);
  EXPECT_EQ(b.InternalAttr, 1);
  EXPECT_EQ(b.ExternalAttr, 33u);
  EXPECT_EQ(b.ExtraFieldLength, 4);
  EXPECT_EQ(b.Disk, 0);
  EXPECT_EQ(b.FileComment, u"");
  EXPECT_EQ(b.Offset, bytes.find("dir/b.bin") - 30);
  // A walked archive gives every entry the extra length of the last local header.
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(reader.FileProperties(i).ExtraFieldLengthLocal, 6);
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.FileProperties(3); }),
            "Index out of range.");
  EXPECT_FALSE(reader.UTF8FileNames());
}

TEST(ZipReaderLoad, SkipsOneSpanningSignatureOrSingleVolumeMarker) {
  struct Case {
    std::string Prefix;
    std::string Expected;
  };
  const Case cases[] = {
      {"", "loaded"},
      {"PK00", "loaded"},
      {"PK\7\x08", "loaded"},
      {"PK00PK00", "Error reading zip file - invalid format."},
      {"MZ\x90\0 self-extracting stub", "Error reading zip file - invalid format."},
      {"PK\1\2", "Error reading zip file - invalid format."},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    CraftedArchive archive = ThreeEntries();
    archive.Prefix = c.Prefix;
    // Offsets count from the start of the file, the prefix included.
    for (CraftedEntry& entry : archive.Entries)
      entry.Offset.reset();
    testing::WriteFile(dir / "p.zip", archive.Build());
    TZipReader reader;
    EXPECT_EQ(LoadFailure(reader, dir / "p.zip"), c.Expected) << c.Prefix;
    if (c.Expected == "loaded") {
      EXPECT_EQ(reader.Count(), 3) << c.Prefix;
    }
  }
}

// Damaged and unsupported archives, each with the message the load fails with.
TEST(ZipReaderLoad, RefusesWhatItCannotRead) {
  const std::string good = ThreeEntries().Build();
  const size_t central = good.find("PK\1\2");
  const size_t end = good.find("PK\5\6");
  CraftedArchive encryptedFirst = ThreeEntries();
  encryptedFirst.Entries[0].Flags = 1;
  CraftedArchive encryptedInCentral = ThreeEntries();
  encryptedInCentral.Entries[2].CentralFlags = 1;
  CraftedArchive bzip2 = ThreeEntries();
  bzip2.Entries[1].Method = 12;
  CraftedArchive descriptorOnly;
  descriptorOnly.Entries.push_back({.Name = "d.txt", .Content = "data", .DataDescriptor = true});
  std::string noCentral = descriptorOnly.Build();
  noCentral.resize(noCentral.find("PK\1\2"));
  CraftedArchive zip64Size = ThreeEntries();
  zip64Size.Entries[1].UncompressedSize = 0xFFFFFFFF;
  CraftedArchive zip64Offset = ThreeEntries();
  zip64Offset.Entries[2].Offset = 0xFFFFFFFF;
  std::string zip64End = good;
  zip64End.replace(end, 4, "PK\6\6");

  struct Case {
    const char* What;
    std::string Bytes;
    std::string Expected;
  };
  const Case cases[] = {
      {"empty file", "", "Error reading zip file - invalid format."},
      {"end record alone", good.substr(end), "Error reading zip file - invalid format."},
      {"cut inside the signature", "PK\3", "Error reading zip file - invalid format."},
      {"cut inside the first header", good.substr(0, 20), "Error reading zip file."},
      {"cut inside an entry's data", good.substr(0, 40),
       "Error reading zip file - invalid format."},
      {"a size past the end, no central directory",
       good.substr(0, 22 + testing::Deflate("alpha alpha alpha").size() - 1),
       "Error reading zip file - central directory not found."},
      {"garbage after an entry's data", good.substr(0, central) + "junk",
       "Error reading zip file - invalid format."},
      {"cut inside a central header", good.substr(0, central + 30), "Error reading zip file."},
      {"cut inside a name", good.substr(0, central + 48), "Error reading zip file."},
      {"cut before the end record", good.substr(0, end),
       "Error reading zip file - invalid format."},
      {"garbage after a central header", good.substr(0, end) + "PK\7\7",
       "Error reading zip file - invalid format."},
      {"first entry encrypted", encryptedFirst.Build(),
       "Error reading zip file - encrypted files are not supported."},
      {"encrypted in the central directory", encryptedInCentral.Build(),
       "Error reading zip file - encrypted files are not supported."},
      {"bzip2 entry", bzip2.Build(), "Error reading zip file - compression method not supported."},
      {"data descriptor, no central directory", noCentral,
       "Error reading zip file - central directory not found."},
      {"ZIP64 size", zip64Size.Build(),
       "Error reading zip file - ZIP64 archives are not supported."},
      {"ZIP64 offset", zip64Offset.Build(),
       "Error reading zip file - ZIP64 archives are not supported."},
      {"ZIP64 end record", zip64End, "Error reading zip file - ZIP64 archives are not supported."},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    testing::WriteFile(dir / "bad.zip", c.Bytes);
    TZipReader reader;
    EXPECT_EQ(LoadFailure(reader, dir / "bad.zip"), c.Expected) << c.What;
    ExpectEmpty(reader);
    MemoryStream stream(std::vector<uint8_t>(c.Bytes.begin(), c.Bytes.end()));
    EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.ReadFromStream(stream); }), c.Expected)
        << c.What;
    ExpectEmpty(reader);
  }
}

TEST(ZipReaderLoad, ScansForTheCentralDirectoryPastADataDescriptor) {
  CraftedArchive archive;
  archive.Entries.push_back({.Name = "one.txt", .Content = "first", .LocalExtra = "12345678"});
  // Stored, so that the scan meets near-matches of the central signature in the data.
  archive.Entries.push_back({.Name = "two.txt",
                             .Content = std::string(5000, 'P') + "PK\1 PPK\1\1 PK",
                             .Method = 0,
                             .LocalExtra = "1234",
                             .CentralExtra = "xy",
                             .DataDescriptor = true});
  // Not walked any more: its method is not checked at load.
  archive.Entries.push_back({.Name = "three.lz", .Content = "xyz", .Method = 14});
  testing::TempDir dir;
  testing::WriteFile(dir / "dd.zip", archive.Build());
  TZipReader reader;
  reader.ReadFromFile(Text(dir / "dd.zip"));
  ASSERT_EQ(reader.Count(), 3);
  EXPECT_EQ(reader.FileProperties(2).FileName, u"three.lz");
  // Scanned archives take each entry's central extra length.
  EXPECT_EQ(reader.FileProperties(0).ExtraFieldLengthLocal, 0);
  EXPECT_EQ(reader.FileProperties(1).ExtraFieldLengthLocal, 2);
  MemoryStream out;
  reader.ExtractFileToStream(out, 1);
  EXPECT_EQ(out.Size(), int64_t(archive.Entries[1].Content.size()));
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.ExtractFileToStream(out, 2); }),
            "Compression method not supported.");
}

TEST(ZipReaderLoad, ScansWhenAStatedSizeRunsPastTheEnd) {
  struct Case {
    const char* What;
    std::optional<uint32_t> LocalSize;
  };
  for (Case c : {Case{"past the end", 0x7FFFFFF0}, Case{"all ones", 0xFFFFFFFF}}) {
    CraftedArchive archive;
    archive.Entries.push_back({.Name = "x.txt", .Content = "content of x"});
    archive.Entries.push_back(
        {.Name = "y.txt", .Content = "y", .LocalCompressedSize = c.LocalSize});
    testing::TempDir dir;
    testing::WriteFile(dir / "s.zip", archive.Build());
    TZipReader reader;
    reader.ReadFromFile(Text(dir / "s.zip"));
    ASSERT_EQ(reader.Count(), 2) << c.What;
    MemoryStream out;
    reader.ExtractFileToStream(out, 1);
    EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), "y") << c.What;
  }
}

TEST(ZipReaderLoad, DecodesNamesAsUtf8ThenAsWindows1252) {
  struct Case {
    std::string Bytes;
    std::u16string Expected;
  };
  const Case cases[] = {
      {"", u""},
      {"plain.txt", u"plain.txt"},
      {"\xEF\xBB\xBF"
       "bom.txt",
       u"bom.txt"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC",
       u"Grüße €"},
      {"caf\xE9 \x80", u"café €"},
      {"\xC3\x28", u"Ã("},            // a broken sequence is not UTF-8
      {"\xEF\xBB\xBF\xE9", u"ï»¿é"},  // nor a mark before one: all bytes are decoded again
      {"\xED\xA0\x80", u"í\u00A0€"},  // an encoded surrogate
  };
  for (const Case& c : cases) {
    MemoryStream stream(std::vector<uint8_t>(c.Bytes.begin(), c.Bytes.end()));
    EXPECT_EQ(TZipReader::ReadTextFromStream(stream, uint32_t(c.Bytes.size())), c.Expected)
        << c.Bytes;
    EXPECT_EQ(stream.Position(), int64_t(c.Bytes.size()));
  }
  MemoryStream shortStream(std::vector<uint8_t>{'a', 'b'});
  EXPECT_THROW(TZipReader::ReadTextFromStream(shortStream, 3), EStreamError);
}

TEST(ZipReaderLoad, NonAsciiNamesCommentsOrFlagBit11MarkTheArchiveUtf8) {
  struct Case {
    CraftedEntry Entry;
    bool Utf8;
  };
  const Case cases[] = {
      {{.Name = "plain.txt", .Content = "x"}, false},
      {{.Name = "caf\xE9.txt", .Content = "x"}, true},
      {{.Name = "caf\xC3\xA9.txt", .Content = "x"}, true},
      {{.Name = "plain.txt", .Content = "x", .Comment = "na\xC3\xAFve"}, true},
      {{.Name = "plain.txt", .Content = "x", .Flags = 0x800}, true},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    CraftedArchive archive;
    archive.Entries.push_back(c.Entry);
    testing::WriteFile(dir / "n.zip", archive.Build());
    TZipReader reader;
    reader.ReadFromFile(Text(dir / "n.zip"));
    EXPECT_EQ(reader.UTF8FileNames(), c.Utf8) << c.Entry.Name;
    // Never cleared by a later load.
    testing::WriteFile(dir / "plain.zip",
                       CraftedArchive{.Entries = {{.Name = "p", .Content = ""}}}.Build());
    reader.ReadFromFile(Text(dir / "plain.zip"));
    EXPECT_EQ(reader.UTF8FileNames(), c.Utf8) << c.Entry.Name;
  }
}

TEST(ZipReaderLoad, IgnoresExtraFieldsCommentsAndTheEndRecordsCounts) {
  CraftedArchive archive = ThreeEntries();
  archive.Entries.push_back({.Name = "", .Content = "nameless", .Comment = "c"});
  archive.RecordedEntries = 9;
  archive.ArchiveComment = "an archive comment PK\1\2";
  testing::TempDir dir;
  testing::WriteFile(dir / "c.zip", archive.Build());
  TZipReader reader;
  reader.ReadFromFile(Text(dir / "c.zip"));
  ASSERT_EQ(reader.Count(), 4);
  EXPECT_EQ(reader.FileProperties(3).FileName, u"");
  EXPECT_EQ(reader.FileProperties(3).FileComment, u"c");
}

TEST(ZipReaderLoad, ASecondLoadLeavesNoTraceOfTheFirst) {
  testing::TempDir dir;
  testing::WriteFile(dir / "first.zip", ThreeEntries().Build());
  CraftedArchive second;
  second.Entries.push_back({.Name = "only.txt", .Content = "second"});
  testing::WriteFile(dir / "second.zip", second.Build());
  TZipReader reader;
  reader.ReadFromFile(Text(dir / "first.zip"));
  reader.ReadFromFile(Text(dir / "second.zip"));
  ASSERT_EQ(reader.Count(), 1);
  const TZipRec only = reader.FileProperties(0);
  EXPECT_EQ(only.FileName, u"only.txt");
  EXPECT_EQ(only.FileComment, u"");
  EXPECT_EQ(only.ExtraFieldLengthLocal, 0);
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.FileProperties(1); }),
            "Index out of range.");
  EXPECT_EQ(reader.FileName(), Text(dir / "second.zip"));
}

TEST(ZipReaderLoad, AFailedLoadLeavesTheReaderEmpty) {
  testing::TempDir dir;
  testing::WriteFile(dir / "good.zip", ThreeEntries().Build());
  testing::WriteFile(dir / "bad.zip", "PK\3\4 not really");
  TZipReader reader;
  reader.SetPathRoot(Text(dir / "out"));
  reader.ReadFromFile(Text(dir / "good.zip"));
  EXPECT_EQ(LoadFailure(reader, dir / "bad.zip"), "Error reading zip file.");
  ExpectEmpty(reader);
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.ExtractAllToDisk(); }),
            "No files available to save.");
  EXPECT_EQ(reader.PathRoot(), Text(dir / "out"));  // settings survive

  // The same after a stream load.
  reader.ReadFromFile(Text(dir / "good.zip"));
  MemoryStream bad(std::vector<uint8_t>{'P', 'K', 3, 4});
  EXPECT_EQ(testing::MessageOf<EZipError>([&] { reader.ReadFromStream(bad); }),
            "Error reading zip file.");
  ExpectEmpty(reader);
}

TEST(ZipReaderLoad, AMissingFileLeavesTheEarlierArchiveLoaded) {
  testing::TempDir dir;
  testing::WriteFile(dir / "good.zip", ThreeEntries().Build());
  TZipReader reader;
  reader.ReadFromFile(Text(dir / "good.zip"));
  for (const std::string& missing : {dir / "missing.zip", dir.Path()}) {
    EXPECT_EQ(LoadFailure(reader, missing), "File not found - " + missing);
    EXPECT_EQ(reader.Count(), 3);
    EXPECT_TRUE(reader.FileAvailable());
    EXPECT_EQ(reader.FileName(), Text(dir / "good.zip"));
    MemoryStream out;
    reader.ExtractFileToStream(out, 0);
    EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), "alpha alpha alpha");
  }
}

TEST(ZipReaderLoad, TheLoadedArchiveIsSharedWithReadersOnly) {
  testing::TempDir dir;
  testing::WriteFile(dir / "good.zip", ThreeEntries().Build());
  TZipReader reader;
  reader.ReadFromFile(Text(dir / "good.zip"));
  EXPECT_THROW(FileStream(Text(dir / "good.zip"), FileMode::OpenReadWrite, ShareMode::Exclusive),
               EStreamError);
  TZipReader second;
  second.ReadFromFile(Text(dir / "good.zip"));
  EXPECT_EQ(second.Count(), 3);
}

TEST(ZipReaderLoad, AnArchiveHeldByAWriterCannotBeOpened) {
  testing::TempDir dir;
  testing::WriteFile(dir / "good.zip", ThreeEntries().Build());
  testing::WriteFile(dir / "busy.zip", ThreeEntries().Build());
  TZipReader reader;
  reader.ReadFromFile(Text(dir / "good.zip"));
  FileStream writer(Text(dir / "busy.zip"), FileMode::OpenReadWrite, ShareMode::Exclusive);
  EXPECT_EQ(LoadFailure(reader, dir / "busy.zip"), "Error opening file.");
  ExpectEmpty(reader);
}

TEST(ZipReaderLoad, ReadsAnArchiveFromACallersStream) {
  const std::string bytes = ThreeEntries().Build();
  MemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  testing::TempDir dir;
  testing::WriteFile(dir / "file.zip", bytes);
  TZipReader reader;
  reader.ReadFromFile(Text(dir / "file.zip"));
  reader.ReadFromStream(stream);
  EXPECT_EQ(reader.Count(), 3);
  EXPECT_TRUE(reader.FileAvailable());
  EXPECT_EQ(reader.FileName(), u"");
  // The file of the earlier load is no longer held.
  FileStream writer(Text(dir / "file.zip"), FileMode::OpenReadWrite, ShareMode::Exclusive);
  MemoryStream out;
  reader.ExtractFileToStream(out, 2);
  EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()),
            testing::PseudoRandomBytes(3000, 1));
}

}  // namespace
}  // namespace vorlanth
