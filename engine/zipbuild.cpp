// One build of TZipWriter: entries, central directory, end record, and the volume breaks of a
// spanned output.
#include <zlib.h>

#include <algorithm>
#include <new>
#include <optional>

#include "engine/archiveoutput.h"
#include "engine/deflater.h"
#include "engine/scratchfile.h"
#include "engine/zipwriter.h"
#include "platform/files.h"
#include "support/webprocs.h"

namespace vorlanth {

namespace {

constexpr size_t kReadPiece = 65536;
constexpr size_t kTextTestBytes = 200;

// Text when none of the first bytes is a control character other than LF and CR, or above
// 127. A tab counts as binary, DEL as text.
bool IsTextData(const std::vector<uint8_t>& probe) {
  return std::none_of(probe.begin(), probe.end(),
                      [](uint8_t b) { return (b < 32 && b != 10 && b != 13) || b > 127; });
}

std::u16string ByteCount(uint64_t value) {
  return DecimalText(int64_t(value));
}

[[noreturn]] void FailTooLarge(const ZipString& source) {
  throw EZipError(u"File too large for a zip file (4 GiB or more): " + source);
}

// The compressed form of one entry: the writer's reusable memory stream, or the scratch file
// TempFileName, made for the entry and removed after it.
class CompressionTarget {
 public:
  CompressionTarget(const ZipString& tempFileName, MemoryStream& memory) {
    if (tempFileName.empty()) {
      memory.SetSize(0);
      FStream = &memory;
    } else {
      FStream = &FScratch.emplace(tempFileName).File();
    }
  }

  Stream& Get() { return *FStream; }

 private:
  std::optional<TScratchFile> FScratch;
  Stream* FStream = nullptr;
};

}  // namespace

void TZipWriter::BuildArchive(ArchiveOutput& output) {
  FDiskBreaks.clear();
  FCDRBreaks.clear();
  FOutStream.Clear();
  FDiskCount = 1;
  if (FSpanDisk) FDiskBreaks.push_back(0);

  uint64_t centralStart = 0;
  uint64_t centralEnd = 0;
  if (!FFileList.empty()) {
    if (FFileList.size() > kMaxEntries) {
      throw EZipError(u"Too many entries for a zip file: " + ByteCount(FFileList.size()) +
                      u" sources, at most 65535.");
    }
    if (!FDeflater) FDeflater = std::make_unique<Deflater>();
    CheckUTF8FileNames();
    TZipPropertyArray records(FFileList.size());
    if (FSpanDisk) {
      uint8_t signature[4];
      Put32(signature, kSpanningSignature);
      output.Write(signature, sizeof signature);
    }
    for (size_t i = 0; i < FFileList.size(); ++i) {
      if (OnEntry) OnEntry(i, FFileList.size(), FFileList[i]);
      CompressionTarget target(FTempFileName, FCompressed);
      WriteEntry(output, FFileList[i], records[i], NameSource(i), target.Get());
    }
    FCompressed.Clear();
    centralStart = output.Position();
    for (size_t i = 0; i < FFileList.size(); ++i) {
      WriteCentralHeader(output, FFileList[i], records[i]);
    }
    centralEnd = output.Position();
  }
  WriteEndRecord(output, centralStart, centralEnd);
  output.Flush();
  FOutStream.SetPosition(0);
}

void TZipWriter::WriteEntry(ArchiveOutput& output, const ZipString& source, TZipRec& record,
                            const ZipString& nameSource, Stream& target) {
  const bool isUrl = IsUrlSource(source);
  const bool isDirectory = !isUrl && IsDirectorySource(source);
  std::unique_ptr<FileStream> file;
  MemoryStream fetched;
  Stream* data = &fetched;
  if (isUrl) {
    bool fetchedWhole = false;
    try {
      ZipString contentType;
      int32_t status = 0;
      fetchedWhole = WebRequest(Trim(source), FURLUsername, FURLPassword, FHTTPUserAgent, fetched,
                                contentType, status, FHTTPTimeout, false, TRequestMethod::rmGet);
    } catch (...) {
      fetchedWhole = false;
    }
    if (!fetchedWhole) throw EZipError("Error reading remote file");
  } else if (!isDirectory) {
    const ZipString unreadable = u"Error reading source file: " + source;
    if (!IsExistingFile(source)) throw EZipError(unreadable);
    try {
      file = std::make_unique<FileStream>(source, FileMode::OpenRead, ShareMode::DenyNone);
    } catch (const EStreamError&) {
      throw EZipError(unreadable);
    }
    if (uint64_t(file->Size()) > kMaxSize) FailTooLarge(source);
    data = file.get();
  }

  // Compress completely first, so that the local header carries the final CRC and sizes.
  uint32_t crc = 0;
  uint64_t size = 0;
  std::vector<uint8_t> probe;
  try {
    data->SetPosition(0);
    std::vector<uint8_t> piece(kReadPiece);
    FDeflater->Begin(target);
    while (int64_t n = data->Read(piece.data(), int64_t(piece.size()))) {
      size += uint64_t(n);
      if (size > kMaxSize) FailTooLarge(source);
      crc = uint32_t(crc32(crc, piece.data(), uInt(n)));
      if (probe.size() < kTextTestBytes) {
        probe.insert(probe.end(), piece.begin(),
                     piece.begin() + std::min<int64_t>(n, int64_t(kTextTestBytes - probe.size())));
      }
      FDeflater->Write(piece.data(), size_t(n));
    }
    FDeflater->Finish();
  } catch (const std::bad_alloc&) {
    throw EZipError("Insufficient memory available to zip the file.");
  }
  const uint64_t compressedSize = uint64_t(target.Size());
  if (compressedSize > kMaxSize) FailTooLarge(source);

  const ZipString name = StoredName(nameSource);
  const std::string nameBytes = ToUtf8(name);
  if (nameBytes.size() > kMaxNameBytes) {
    throw EZipError(u"File name too long for a zip file (more than 65535 bytes): " +
                    name.substr(0, 80) + u"...");
  }

  DosDateTime stamp = CurrentDosDateTime();
  if (!isUrl) GetFileDosDateTime(source, stamp.Time, stamp.Date);
  record.FileName = name;
  record.Offset = uint32_t(output.Position());
  record.ModTime = stamp.Time;
  record.ModDate = stamp.Date;
  record.CRC = crc;
  record.CompressedSize = uint32_t(compressedSize);
  record.UncompressedSize = uint32_t(size);
  record.VersionNeeded = kVersion20;
  record.VersionMadeBy = kVersion20;
  record.BitFlag = FUTF8FileNames ? kFlagUtf8 : 0;
  record.CompressionMethod = kMethodDeflated;
  record.FileNameLength = uint16_t(nameBytes.size());
  record.InternalAttr = IsTextData(probe) ? 1 : 0;

  uint8_t bytes[LocalHeader::kSize];
  LocalHeader::For(record).Serialize(bytes);
  output.Write(bytes, sizeof bytes);
  output.Write(nameBytes.data(), nameBytes.size());
  if (FSpanDisk) {
    HeaderBreak(output.Position(), record);
  } else {
    record.Disk = 1;
  }

  target.SetPosition(0);
  output.Reserve(compressedSize);
  output.CopyFrom(target, compressedSize);
  if (FSpanDisk) DataBreak(output.Position());
}

void TZipWriter::WriteCentralHeader(ArchiveOutput& output, const ZipString& source,
                                    const TZipRec& record) {
  const uint32_t headerStart = uint32_t(output.Position());
  CentralHeader header = CentralHeader::For(record);
  header.DiskNumberStart = uint16_t(record.Disk - 1);
  if (IsUrlSource(source)) {
    header.ExternalAttr = kUrlExternalAttributes;
  } else {
    // A source removed during the build keeps the attributes of its kind.
    header.ExternalAttr =
        GetFileAttributes(source).value_or(IsDirectorySource(source) ? faDirectory : faArchive);
  }
  header.LocalHeaderOffset =
      FSpanDisk && record.Disk > 1 ? record.Offset - FDiskBreaks[record.Disk - 1] : record.Offset;
  uint8_t bytes[CentralHeader::kSize];
  header.Serialize(bytes);
  output.Write(bytes, sizeof bytes);
  const std::string nameBytes = ToUtf8(record.FileName);
  output.Write(nameBytes.data(), nameBytes.size());
  if (FSpanDisk) CentralBreak(output.Position(), headerStart);
  FCDRBreaks.push_back(headerStart);
}

void TZipWriter::WriteEndRecord(ArchiveOutput& output, uint64_t centralStart, uint64_t centralEnd) {
  EndRecord end;
  if (HasEntries()) {
    end.TotalRecords = uint16_t(FCDRBreaks.size());
    end.RecordsOnThisDisk = end.TotalRecords;
    end.CentralDirectorySize = uint32_t(centralEnd - centralStart);
    end.CentralDirectoryOffset = uint32_t(centralStart);
  }
  if (FSpanDisk && HasEntries()) {
    BoundLastVolume(centralEnd);
    // The volume holding the first central header; one that begins exactly at a break
    // belongs to the volume that break begins.
    uint16_t startVolume = FDiskCount;
    while (FDiskBreaks[startVolume - 1] > centralStart)
      --startVolume;
    const uint32_t lastBreak = LastBreak();
    end.ThisDisk = uint16_t(FDiskCount - 1);
    end.CentralDirectoryDisk = uint16_t(startVolume - 1);
    end.RecordsOnThisDisk = uint16_t(std::count_if(
        FCDRBreaks.begin(), FCDRBreaks.end(), [lastBreak](uint32_t p) { return p >= lastBreak; }));
    end.CentralDirectoryOffset = uint32_t(centralStart) - FDiskBreaks[startVolume - 1];
  }
  uint8_t bytes[EndRecord::kSize];
  end.Serialize(bytes);
  output.Write(bytes, sizeof bytes);
}

void TZipWriter::BeginVolume(uint32_t start) {
  if (FDiskCount == 0xFFFF) {
    throw EZipError(
        "Too many volumes for a zip file: more than 65535. Choose a larger volume size.");
  }
  ++FDiskCount;
  FDiskBreaks.push_back(start);
}

void TZipWriter::RequireHeaderFits(uint64_t headerEnd) const {
  if (uint32_t(headerEnd) - LastBreak() > FDiskSize) {
    throw EZipError(u"The volume size of " + ByteCount(FDiskSize) +
                    u" bytes is too small for the archive: a header of " +
                    ByteCount(uint32_t(headerEnd) - LastBreak()) +
                    u" bytes with its name cannot be kept within one volume.");
  }
}

void TZipWriter::HeaderBreak(uint64_t headerEnd, TZipRec& record) {
  if (uint32_t(headerEnd) - LastBreak() > FDiskSize) BeginVolume(record.Offset);
  RequireHeaderFits(headerEnd);
  record.Disk = FDiskCount;
}

void TZipWriter::DataBreak(uint64_t dataEnd) {
  while (uint32_t(dataEnd) - LastBreak() > FDiskSize)
    BeginVolume(LastBreak() + FDiskSize);
}

void TZipWriter::CentralBreak(uint64_t headerEnd, uint32_t headerStart) {
  if (uint32_t(headerEnd) - LastBreak() > FDiskSize) BeginVolume(headerStart);
  RequireHeaderFits(headerEnd);
}

void TZipWriter::BoundLastVolume(uint64_t outputSize) {
  FDiskBreaks.resize(size_t(FDiskCount) + 1);
  FDiskBreaks[FDiskCount] = uint32_t(outputSize);
}

}  // namespace vorlanth
