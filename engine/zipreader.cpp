// TZipReader: loading an archive's entry table from a file or a stream, and listing it.
#include <algorithm>
#include <array>
#include <exception>

#include "engine/entrydecoder.h"
#include "engine/zipwriter.h"
#include "platform/files.h"

namespace vorlanth {

namespace {

// Ends the central directory of an archive that needs ZIP64 records.
constexpr uint32_t kZip64EndRecordSignature = 0x06064b50;
constexpr uint32_t kAllOnes32 = 0xFFFFFFFF;

const char* const kInvalidFormat = "Error reading zip file - invalid format.";
const char* const kEncrypted = "Error reading zip file - encrypted files are not supported.";
const char* const kMethodNotSupported =
    "Error reading zip file - compression method not supported.";
const char* const kUnsupportedFormat = "Error reading zip file - unsupported format.";
const char* const kZip64 = "Error reading zip file - ZIP64 archives are not supported.";
const char* const kNoCentralDirectory = "Error reading zip file - central directory not found.";
const char* const kReadError = "Error reading zip file.";

// Offset of the byte after the compressed-size field in a local header.
constexpr int64_t kAfterCompressedSize = 22;

}  // namespace

TZipReader::TZipReader() = default;
TZipReader::~TZipReader() = default;

void TZipReader::ClearTable() {
  ZippedFiles.clear();
  FCount = 0;
}

void TZipReader::Unload() {
  ClearTable();
  FStream = nullptr;
  InputFileStream.reset();
  FFileAvailable = false;
  FSpannedFileAvailable = false;
  FFileName.clear();
  FinishedLocalHeader = false;
  SpannedAmountRead = 0;
}

void TZipReader::ReadFromFile(const ZipString& FileName) {
  if (!IsExistingFile(FileName)) throw EZipError(u"File not found - " + FileName);
  Unload();
  try {
    InputFileStream = std::make_unique<TReadOnlyCachedFileStream>(FileName);
  } catch (const std::exception&) {
    throw EZipError("Error opening file.");
  }
  FStream = InputFileStream.get();
  LoadEntries();
  FFileAvailable = FCount > 0;
  FFileName = FileName;
}

void TZipReader::ReadFromStream(Stream& FileStream) {
  Unload();
  FStream = &FileStream;
  LoadEntries();
  FFileAvailable = FCount > 0;
}

void TZipReader::LoadEntries() {
  try {
    ReadZipEntries();
  } catch (...) {
    // Nothing of a failed load may be combined later with another archive's data.
    Unload();
    throw;
  }
}

void TZipReader::ReadZipEntries() {
  try {
    const int64_t streamSize = FStream->Size();
    if (!FinishedLocalHeader) {
      uint32_t signature = ReadSignature();
      if (signature == kSingleVolumeMarker || signature == kSpanningSignature)
        signature = ReadSignature();
      if (signature != kLocalHeaderSignature) throw EZipError(kInvalidFormat);
    }
    uint16_t lastLocalExtraLength = 0;
    switch (WalkLocalHeaders(streamSize, lastLocalExtraLength)) {
      case WalkEnd::CentralDirectory:
        ReadCentralDirectory(false, lastLocalExtraLength);
        break;
      case WalkEnd::Scan:
        ScanForCentralDirectory();
        ReadCentralDirectory(true, 0);
        break;
      case WalkEnd::VolumeEnd:
        break;
    }
  } catch (const EZipError&) {
    throw;
  } catch (const std::exception&) {
    throw EZipError(kReadError);
  }
}

uint32_t TZipReader::ReadSignature() {
  uint8_t bytes[4];
  // A signature cut off by the end of the data is no signature at all.
  if (FStream->Read(bytes, 4) != 4) throw EZipError(kInvalidFormat);
  return Get32(bytes);
}

TZipReader::WalkEnd TZipReader::WalkLocalHeaders(int64_t streamSize,
                                                 uint16_t& lastLocalExtraLength) {
  const bool spanned = !FSpannedFileList.empty();
  for (;;) {
    if (!FinishedLocalHeader) {
      // The signature has just been read.
      const int64_t headerStart = FStream->Position() - 4;
      std::array<uint8_t, LocalHeader::kSize> bytes;
      Put32(bytes.data(), kLocalHeaderSignature);
      FStream->ReadBuffer(bytes.data() + 4, LocalHeader::kSize - 4);
      const LocalHeader header = LocalHeader::Parse(bytes.data());
      if (header.BitFlag & kFlagEncrypted) throw EZipError(kEncrypted);
      if (header.CompressionMethod != kMethodStored && header.CompressionMethod != kMethodDeflated)
        throw EZipError(kMethodNotSupported);
      if (header.BitFlag & kFlagUtf8) FUTF8FileNames = true;
      ACompressedSize = header.CompressedSize;
      const int64_t afterSize = headerStart + kAfterCompressedSize;
      if ((header.BitFlag & kFlagDataDescriptor) || ACompressedSize == kAllOnes32 ||
          (!spanned && afterSize + ACompressedSize > streamSize)) {
        FStream->SetPosition(afterSize);
        return WalkEnd::Scan;
      }
      lastLocalExtraLength = header.ExtraFieldLength;
      FStream->SetPosition(headerStart + int64_t(LocalHeader::kSize) + header.FileNameLength +
                           header.ExtraFieldLength);
    }
    const uint32_t dataLeft = ACompressedSize - SpannedAmountRead;
    if (spanned) {
      // The entry's data goes on in the next volume.
      const int64_t bytesLeft = std::max<int64_t>(0, streamSize - FStream->Position());
      if (bytesLeft < dataLeft) {
        FinishedLocalHeader = true;
        SpannedAmountRead += uint32_t(bytesLeft);
        return WalkEnd::VolumeEnd;
      }
    }
    FStream->Seek(dataLeft, SeekOrigin::Current);
    SpannedAmountRead = 0;
    FinishedLocalHeader = false;
    const uint32_t signature = ReadSignature();
    if (signature == kCentralHeaderSignature) return WalkEnd::CentralDirectory;
    if (signature != kLocalHeaderSignature) throw EZipError(kInvalidFormat);
  }
}

void TZipReader::ScanForCentralDirectory() {
  if (!FSpannedFileList.empty()) throw EZipError(kUnsupportedFormat);
  static constexpr std::array<uint8_t, 4> kPattern = {0x50, 0x4B, 0x01, 0x02};
  constexpr size_t kChunk = 65536;
  constexpr size_t kOverlap = kPattern.size() - 1;
  std::vector<uint8_t> chunk(kChunk + kOverlap);
  int64_t chunkPosition = FStream->Position();  // stream position of chunk[0]
  size_t kept = 0;
  for (;;) {
    const int64_t n = FStream->Read(chunk.data() + kept, kChunk);
    if (n <= 0) throw EZipError(kNoCentralDirectory);
    const auto filled = chunk.begin() + ptrdiff_t(kept + size_t(n));
    const auto match = std::search(chunk.begin(), filled, kPattern.begin(), kPattern.end());
    if (match != filled) {
      FStream->SetPosition(chunkPosition + (match - chunk.begin()) + int64_t(kPattern.size()));
      return;
    }
    // Keep the tail that could begin a match split across two reads.
    kept = std::min<size_t>(kOverlap, size_t(filled - chunk.begin()));
    std::copy(filled - ptrdiff_t(kept), filled, chunk.begin());
    chunkPosition += (filled - chunk.begin()) - ptrdiff_t(kept);
  }
}

void TZipReader::ReadCentralDirectory(bool scanned, uint16_t lastLocalExtraLength) {
  const int64_t start = FStream->Position() - 4;
  if (start > int64_t(kAllOnes32)) throw EZipError(kZip64);
  CDSOffset = uint32_t(start);
  for (;;) {
    // The signature has just been read.
    std::array<uint8_t, CentralHeader::kSize> bytes;
    Put32(bytes.data(), kCentralHeaderSignature);
    FStream->ReadBuffer(bytes.data() + 4, CentralHeader::kSize - 4);
    const CentralHeader header = CentralHeader::Parse(bytes.data());
    if (header.BitFlag & kFlagEncrypted) throw EZipError(kEncrypted);
    // All ones means that the real value is in a ZIP64 extra field.
    if (header.CompressedSize == kAllOnes32 || header.UncompressedSize == kAllOnes32 ||
        header.LocalHeaderOffset == kAllOnes32)
      throw EZipError(kZip64);

    TZipRec& record = ZippedFiles.emplace_back();
    ++FCount;
    record.VersionMadeBy = header.VersionMadeBy;
    record.VersionNeeded = header.VersionNeeded;
    record.BitFlag = header.BitFlag;
    record.CompressionMethod = header.CompressionMethod;
    record.ModTime = header.ModTime;
    record.ModDate = header.ModDate;
    record.CRC = header.CRC;
    record.CompressedSize = header.CompressedSize;
    record.UncompressedSize = header.UncompressedSize;
    record.FileNameLength = header.FileNameLength;
    record.ExtraFieldLength = header.ExtraFieldLength;
    record.ExtraFieldLengthLocal = scanned ? header.ExtraFieldLength : lastLocalExtraLength;
    record.FileCommentLength = header.FileCommentLength;
    record.Disk = header.DiskNumberStart;
    record.InternalAttr = header.InternalAttr;
    record.ExternalAttr = header.ExternalAttr;
    record.Offset = header.LocalHeaderOffset;

    record.FileName = ReadTextFromStream(*FStream, header.FileNameLength);
    if (!IsAscii(record.FileName)) FUTF8FileNames = true;
    FStream->Seek(header.ExtraFieldLength, SeekOrigin::Current);
    if (header.FileCommentLength != 0) {
      record.FileComment = ReadTextFromStream(*FStream, header.FileCommentLength);
      if (!IsAscii(record.FileComment)) FUTF8FileNames = true;
    }

    const uint32_t signature = ReadSignature();
    if (signature == kEndRecordSignature) return;
    if (signature == kZip64EndRecordSignature) throw EZipError(kZip64);
    if (signature != kCentralHeaderSignature) throw EZipError(kInvalidFormat);
  }
}

ZipString TZipReader::ReadTextFromStream(Stream& stream, uint32_t count) {
  if (count == 0) return {};
  std::string bytes(count, '\0');
  stream.ReadBuffer(bytes.data(), count);
  std::string_view text = bytes;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (std::optional<ZipString> decoded = DecodeUtf8Strict(text)) return *std::move(decoded);
  return FromAnsi(bytes);
}

TZipRec TZipReader::Get_FileProperties(int32_t Index) const {
  if (Index < 0 || Index >= FCount) throw EZipError("Index out of range.");
  return ZippedFiles[size_t(Index)];
}

}  // namespace vorlanth
