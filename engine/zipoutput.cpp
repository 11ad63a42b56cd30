// TZipWriter's outputs: a file or memory, whole, cut into volume files, or one volume alone.
#include <algorithm>

#include "engine/archiveoutput.h"
#include "engine/zipwriter.h"
#include "platform/files.h"

namespace vorlanth {

namespace {

constexpr int64_t kCopyPiece = 65536;

ZipString VolumeBase(const ZipString& ZipName) {
  return ZipName.size() > 4 ? ZipName.substr(0, ZipName.size() - 4) : ZipString();
}

void WriteSingleVolumeMarker(Stream& stream) {
  uint8_t marker[4];
  Put32(marker, kSingleVolumeMarker);
  stream.SetPosition(0);
  stream.WriteBuffer(marker, sizeof marker);
}

// Copies [begin, end) of `source` into `target`.
void CopyRange(Stream& source, uint64_t begin, uint64_t end, Stream& target) {
  source.SetPosition(int64_t(begin));
  target.CopyFrom(source, int64_t(end - begin), kCopyPiece);
}

// Removes a file when the scope ends, however it ends.
class FileRemover {
 public:
  explicit FileRemover(ZipString path) : FPath(std::move(path)) {}
  ~FileRemover() { DeleteFile(FPath); }
  FileRemover(const FileRemover&) = delete;
  FileRemover& operator=(const FileRemover&) = delete;

 private:
  ZipString FPath;
};

}  // namespace

ZipString SpanVolumeName(const ZipString& ZipName, uint16_t volume) {
  return VolumeBase(ZipName) + DecimalText(volume, 3) + u".zip";
}

ZipString SplitVolumeName(const ZipString& ZipName, uint16_t volume) {
  return VolumeBase(ZipName) + u".z" + DecimalText(volume, 2);
}

void TZipWriter::WriteZIPFile(const ZipString& ZipName) {
  // Build beside the target and move into place only on success, so that a failed build never
  // leaves a truncated archive under ZipName nor destroys the one already there.
  const ZipString building = UniqueSiblingName(ZipName);
  FileRemover removeBuilding(building);
  try {
    FileStream file(building, FileMode::Create, ShareMode::Exclusive);
    FileArchiveOutput output(file);
    BuildArchive(output);
    if (FSpanDisk && FDiskCount > 1) {
      CutVolumes(file, ZipName);
      return;
    }
    if (IsSingleVolumeSet()) WriteSingleVolumeMarker(file);
  } catch (const EZipError&) {
    throw;
  } catch (const std::exception&) {
    throw EZipError(u"Error creating file " + ZipName);
  }
  if (!RenameFile(building, ZipName)) throw EZipError(u"Error creating file " + ZipName);
}

void TZipWriter::CutVolumes(Stream& built, const ZipString& ZipName) {
  BoundLastVolume(uint64_t(built.Size()));
  for (uint16_t v = 1; v <= FDiskCount; ++v) {
    const ZipString name = FSplitArchive ? SplitVolumeName(ZipName, v) : SpanVolumeName(ZipName, v);
    try {
      FileStream volume(name, FileMode::Create, ShareMode::Exclusive);
      CopyRange(built, FDiskBreaks[v - 1], FDiskBreaks[v], volume);
    } catch (const std::exception&) {
      throw EZipError(u"Error creating file " + ZipName);
    }
  }
  if (FSplitArchive) {
    // The last volume, which holds the central directory, carries the archive's own name.
    if (!RenameFile(SplitVolumeName(ZipName, FDiskCount), ZipName)) {
      throw EZipError(u"Error creating file " + ZipName);
    }
  } else {
    DeleteFile(ZipName);
  }
}

void TZipWriter::ZipStream(MemoryStream& DataStream) {
  MemoryArchiveOutput output(FOutStream);
  BuildArchive(output);
  DataStream.Clear();
  DataStream.Bytes() = FOutStream.Bytes();
  DataStream.SetPosition(0);
}

void TZipWriter::CheckDiskNumber(uint16_t DiskNo) const {
  if (!FSpanDisk || DiskNo == 0 || DiskNo > FDiskCount) {
    throw EZipError("Incorrect parameters to produce single disk from spanned set");
  }
}

void TZipWriter::WriteZIPFileDisk(const ZipString& ZipName, uint16_t DiskNo) {
  const ZipString scratchName = ZipName + u"$temp$";
  std::unique_ptr<FileStream> scratch;
  try {
    scratch = std::make_unique<FileStream>(scratchName, FileMode::Create, ShareMode::Exclusive);
  } catch (const EStreamError&) {
    throw EZipError(u"Error creating file " + ZipName);
  }
  FileRemover removeScratch(scratchName);
  FileArchiveOutput output(*scratch);
  BuildArchive(output);
  CheckDiskNumber(DiskNo);
  BoundLastVolume(uint64_t(scratch->Size()));

  // The volume goes beside ZipName first, so that a failure leaves no half-written ZipName.
  const ZipString building = UniqueSiblingName(ZipName);
  FileRemover removeBuilding(building);
  {
    FileStream volume(building, FileMode::Create, ShareMode::Exclusive);
    CopyRange(*scratch, FDiskBreaks[DiskNo - 1], FDiskBreaks[DiskNo], volume);
    if (DiskNo == 1 && IsSingleVolumeSet()) WriteSingleVolumeMarker(volume);
  }
  scratch.reset();
  if (!RenameFile(building, ZipName)) throw EZipError(u"Error creating file " + ZipName);
}

void TZipWriter::ZipStreamDisk(uint16_t DiskNo, MemoryStream& SpanStream) {
  MemoryArchiveOutput output(FOutStream);
  BuildArchive(output);
  CheckDiskNumber(DiskNo);
  BoundLastVolume(uint64_t(FOutStream.Size()));

  const uint32_t begin = FDiskBreaks[DiskNo - 1];
  const uint32_t end = FDiskBreaks[DiskNo];
  SpanStream.Seek(0, SeekOrigin::End);
  const int64_t start = SpanStream.Position();
  SpanStream.WriteBuffer(FOutStream.Data() + begin, end - begin);
  if (DiskNo == 1 && IsSingleVolumeSet()) {
    uint8_t marker[4];
    Put32(marker, kSingleVolumeMarker);
    SpanStream.SetPosition(start);
    SpanStream.WriteBuffer(marker, sizeof marker);
  }
  SpanStream.SetPosition(0);
}

}  // namespace vorlanth
