// TMakeZip's output members: files, byte arrays and downloads streamed into the response.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "objects/makezip.h"
#include "tests/common/testing.h"
#include "tests/objects/recordingresponse.h"

namespace vorlanth {
namespace {

using testing::RecordingResponse;

template <class E>
void ExpectFailure(const std::function<void()>& call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no failure, expected " << message;
  } catch (const E& error) {
    EXPECT_EQ(error.what(), message);
  }
}

std::string AsString(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A folder with one incompressible source of `size` bytes, and a writer for it.
class MakeZipOutput : public ::testing::Test {
 protected:
  void AddSource(size_t size) {
    FContent = testing::PseudoRandomBytes(size, 7);
    testing::WriteFile(FDir / "data.bin", FContent);
    FZip.ZipAdd(Text(FDir / "data.bin"));
  }

  testing::TempDir FDir;
  std::string FContent;
  TMakeZip FZip;
  RecordingResponse FResponse;
};

TEST_F(MakeZipOutput, ZipDataOfAnEmptyListIsTheBareEndRecord) {
  std::vector<uint8_t> data = FZip.ZipData();
  ASSERT_EQ(data.size(), 22u);
  EXPECT_EQ(AsString(data).substr(0, 4), "PK\x05\x06");
  EXPECT_EQ(FZip.DiskCount(), 1);
}

TEST_F(MakeZipOutput, OutputThatDoesNotFitSpanDiskIsRefusedBeforeBuilding) {
  FZip.ZipAdd(Text(FDir / "missing.txt"));  // a build would fail on it
  TObjectContextScope request({nullptr, nullptr, &FResponse});
  struct Case {
    bool SpanDisk;
    std::function<void(TMakeZip&)> Call;
    std::string Message;
  };
  const Case cases[] = {
      {true, [](TMakeZip& zip) { zip.ZipData(); }, "Do not use ZipData when SpanDisk is true."},
      {false, [](TMakeZip& zip) { zip.ZipDiskData(1); },
       "Do not use ZipDiskData when SpanDisk is false."},
      {true, [](TMakeZip& zip) { zip.StreamZip(u"a.zip"); },
       "Do not use StreamZip when SpanDisk is true."},
      {false, [](TMakeZip& zip) { zip.StreamZipDisk(u"a.zip", 1); },
       "Do not use StreamZipDisk when SpanDisk is false."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Message);
    FZip.SetSpanDisk(c.SpanDisk);
    ExpectFailure<EZipError>([&] { c.Call(FZip); }, c.Message);
  }
  EXPECT_EQ(FZip.DiskCount(), 0);
  EXPECT_TRUE(FResponse.Events.empty());
}

TEST_F(MakeZipOutput, StreamZipSendsHeadersThenPiecesEachFlushed) {
  AddSource(2 * TMakeZip::kResponsePieceSize + 100);
  const std::string archive = AsString(FZip.ZipData());
  ASSERT_GT(archive.size(), 2 * TMakeZip::kResponsePieceSize);
  ASSERT_LT(archive.size(), 3 * TMakeZip::kResponsePieceSize);
  {
    TObjectContextScope request({nullptr, nullptr, &FResponse});
    FZip.StreamZip(u"C:\\out\\my.zip");
  }
  const std::vector<std::string> expected = {
      "ContentType application/x-zip-compressed",
      "Header Content-Disposition: inline; filename=\"my.zip\"",
      "Header Content-Length: " + std::to_string(archive.size()),
      "BinaryWrite 102400",
      "Flush",
      "BinaryWrite 102400",
      "Flush",
      "BinaryWrite " + std::to_string(archive.size() - 204800),
      "Flush",
  };
  EXPECT_EQ(FResponse.Events, expected);
  ASSERT_EQ(FResponse.Body, archive);
  testing::WriteFile(FDir / "streamed.zip", FResponse.Body);
  testing::ExpectToolsAccept(FDir / "streamed.zip", {{"data.bin", FContent}});
}

TEST_F(MakeZipOutput, AttachmentAndUnsafeCharactersInTheOfferedName) {
  FZip.SetAttachment(true);
  TObjectContextScope request({nullptr, nullptr, &FResponse});
  FZip.StreamZip(u"reports/say \"hi\"\r\nX-Injected 1.zip");
  EXPECT_EQ(FResponse.Headers["Content-Disposition"],
            "attachment; filename=\"say \\\"hi\\\"X-Injected 1.zip\"");
  EXPECT_EQ(FResponse.Headers["Content-Length"], "22");
}

TEST_F(MakeZipOutput, StreamZipDiskOffersNumberedVolumeNames) {
  AddSource(12 * 102400 + 5000);
  FZip.SetDiskSize(100);
  FZip.SetSpanDisk(true);
  struct Case {
    ZipString Name;
    int32_t DiskNo;
    std::string Offered;
  };
  for (const Case& c : {Case{u"backup.zip", 12, "backup012.zip"}, Case{u"backup", 1, "ba001.zip"},
                        Case{u"C:\\sets\\backup.zip", 2, "backup002.zip"}}) {
    SCOPED_TRACE(c.Offered);
    RecordingResponse response;
    {
      TObjectContextScope request({nullptr, nullptr, &response});
      FZip.StreamZipDisk(c.Name, c.DiskNo);
    }
    EXPECT_EQ(response.Headers["Content-Disposition"], "inline; filename=\"" + c.Offered + "\"");
    EXPECT_EQ(response.Body, AsString(FZip.ZipDiskData(c.DiskNo)));
    EXPECT_EQ(response.Headers["Content-Length"], std::to_string(response.Body.size()));
  }
  EXPECT_EQ(FZip.DiskCount(), 13);
}

TEST_F(MakeZipOutput, VolumeNumbersOutsideTheSetFail) {
  const std::string message = "Incorrect parameters to produce single disk from spanned set";
  FZip.SetSpanDisk(true);
  for (int32_t diskNo : {0, 2, 65537, -65535}) {
    SCOPED_TRACE(diskNo);
    ExpectFailure<EZipError>([&] { FZip.ZipDiskData(diskNo); }, message);
    ExpectFailure<EZipError>([&] { FZip.SaveZipDisk(Text(FDir / "v.zip"), diskNo); }, message);
  }
  FZip.SetSpanDisk(false);
  ExpectFailure<EZipError>([&] { FZip.ZipDiskData(0); },
                           "Do not use ZipDiskData when SpanDisk is false.");
  ExpectFailure<EZipError>([&] { FZip.SaveZipDisk(Text(FDir / "v.zip"), 1); }, message);
}

TEST_F(MakeZipOutput, SpannedSaveZipCountsItsVolumes) {
  AddSource(250000);
  FZip.SetDiskSize(100);
  FZip.SetSpanDisk(true);
  FZip.SaveZip(Text(FDir / "set.zip"));
  EXPECT_EQ(FZip.DiskCount(), 3);
  for (const char* volume : {"set001.zip", "set002.zip", "set003.zip"}) {
    EXPECT_TRUE(testing::FileExists(FDir / volume)) << volume;
  }
  EXPECT_FALSE(testing::FileExists(FDir / "set004.zip"));
}

TEST_F(MakeZipOutput, SplitArchiveThenSpanDiskOffWritesOneArchive) {
  AddSource(250000);
  FZip.SetDiskSize(100);
  FZip.SetSplitArchive(true);
  FZip.SetSpanDisk(false);
  FZip.SaveZip(Text(FDir / "one.zip"));
  EXPECT_EQ(FZip.DiskCount(), 1);
  EXPECT_FALSE(testing::FileExists(FDir / "one.z01"));
  testing::ExpectToolsAccept(FDir / "one.zip", {{"data.bin", FContent}});
}

TEST_F(MakeZipOutput, BuildFailuresIntoMemory) {
  const ZipString missing = Text(FDir / "missing.txt");
  FZip.ZipAdd(missing);
  // The engine's own failure passes on unchanged.
  ExpectFailure<EZipError>([&] { FZip.ZipData(); },
                           "Error reading source file: " + ToUtf8(missing));
  // Any other becomes the general message: this file opens but cannot be read.
  FZip.SetZipFile(0, u"/proc/self/mem");
  ExpectFailure<EZipError>([&] { FZip.ZipData(); }, "There was an error creating the zip file.");
  TObjectContextScope request({nullptr, nullptr, &FResponse});
  ExpectFailure<EZipError>([&] { FZip.StreamZip(u"a.zip"); },
                           "There was an error creating the zip file.");
  EXPECT_TRUE(FResponse.Events.empty());
}

TEST_F(MakeZipOutput, StreamingOutsideARequestFailsWithAClearMessage) {
  ExpectFailure<EHostObjectMissing>([&] { FZip.StreamZip(u"a.zip"); },
                                    "No Response object: this call needs a web request");
  EXPECT_EQ(FZip.ZipData().size(), 22u);  // members that need no host object still work
}

TEST_F(MakeZipOutput, AFailingResponseCallEndsTheMemberWithTheHostsFailure) {
  AddSource(2 * TMakeZip::kResponsePieceSize);
  FResponse.FailAt = 4;  // the first Flush
  TObjectContextScope request({nullptr, nullptr, &FResponse});
  try {
    FZip.StreamZip(u"a.zip");
    FAIL() << "no failure";
  } catch (const EOleError& error) {
    EXPECT_EQ(error.ErrorCode(), RecordingResponse::kFailureCode);
    EXPECT_STREQ(error.what(), "The client went away");
  }
  ASSERT_EQ(FResponse.Events.size(), 4u);
  EXPECT_EQ(FResponse.Events.back(), "BinaryWrite 102400");
}

}  // namespace
}  // namespace vorlanth
