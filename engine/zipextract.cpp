// TZipReader: writing entries of the loaded archive to disk or into a stream.
#include <algorithm>
#include <optional>

#include "engine/entrydecoder.h"
#include "engine/scratchfile.h"
#include "engine/zipwriter.h"
#include "platform/files.h"

namespace vorlanth {

namespace {

const char* const kStreamReadError = "Stream read error";

// A stored name that joined to the root would name a place outside it: an absolute name, a
// drive or share prefix, a ".." component; or a NUL, which would cut the path short.
bool LeavesRoot(std::u16string_view name) {
  if (name.empty()) return false;
  if (name[0] == u'\\' || (name.size() > 1 && name[1] == u':')) return true;
  if (name.find(u'\0') != std::u16string_view::npos) return true;
  for (size_t start = 0; start <= name.size();) {
    size_t end = std::min(name.find(u'\\', start), name.size());
    if (name.substr(start, end - start) == u"..") return true;
    start = end + 1;
  }
  return false;
}

// The folder of a target path: up to its last "\" or ":", without that "\" unless it follows
// another "\" or a ":" (a drive root keeps it). None when the path has no folder part.
std::optional<ZipString> FolderPart(const ZipString& target) {
  size_t last = target.find_last_of(u"\\:");
  if (last == ZipString::npos) return std::nullopt;
  size_t length = last + 1;
  if (target[last] == u'\\' && last > 0 && target[last - 1] != u'\\' && target[last - 1] != u':')
    --length;
  return target.substr(0, length);
}

}  // namespace

EntryDecoder& TZipReader::Decoder() {
  if (!FDecoder) FDecoder = std::make_unique<EntryDecoder>();
  return *FDecoder;
}

void TZipReader::CheckExtractable(int32_t Index) const {
  if (FCount == 0 || !FFileAvailable) throw EZipError("No files available to save.");
  if (Index < 0 || Index >= FCount) throw EZipError("Index out of range.");
  const uint16_t method = ZippedFiles[size_t(Index)].CompressionMethod;
  if (method != kMethodDeflated && method != kMethodStored)
    throw EZipError("Compression method not supported.");
}

int64_t TZipReader::LocateEntryData(const TZipRec& record) {
  // The data follows the entry's own local header, whose name and extra field may differ in
  // length from those of the central header and of other entries.
  uint8_t bytes[LocalHeader::kSize];
  FStream->SetPosition(record.Offset);
  if (FStream->Read(bytes, LocalHeader::kSize) != int64_t(LocalHeader::kSize) ||
      Get32(bytes) != kLocalHeaderSignature)
    throw EZipError("Error reading zip file - invalid local header.");
  const LocalHeader header = LocalHeader::Parse(bytes);
  return int64_t(record.Offset) + int64_t(LocalHeader::kSize) + header.FileNameLength +
         header.ExtraFieldLength;
}

void TZipReader::DecodeEntry(const TZipRec& record, int64_t dataStart, Stream& target,
                             FileStream* scratch) {
  // Checked first, so that a size beyond the archive is never copied or waited for.
  if (dataStart + int64_t(record.CompressedSize) > FStream->Size())
    throw EStreamError(kStreamReadError);
  FStream->SetPosition(dataStart);
  if (scratch == nullptr) {
    Decoder().Decode(*FStream, record, target);
    return;
  }
  scratch->CopyFrom(*FStream, record.CompressedSize);
  scratch->SetPosition(0);
  Decoder().Decode(*scratch, record, target);
}

ZipString TZipReader::ExtractFileToDisk(const ZipString& FileName, int32_t Index) {
  CheckExtractable(Index);
  const TZipRec& record = ZippedFiles[size_t(Index)];
  const ZipString name = ReplaceAll(FileName.empty() ? record.FileName : FileName, u'/', u'\\');
  // A name the caller gives is its own choice; a stored one must stay under the root.
  if (FileName.empty() && LeavesRoot(name))
    throw EZipError(u"Invalid file name - " + record.FileName);
  ZipString root = ReplaceAll(FPathRoot, u'/', u'\\');
  if (!root.empty() && root.back() != u'\\' && (name.empty() || name[0] != u'\\')) root += u'\\';
  const int64_t dataStart = LocateEntryData(record);
  std::optional<TScratchFile> scratch;
  if (!FTempFileName.empty()) scratch.emplace(FTempFileName);

  const ZipString target = root + name;
  const std::optional<ZipString> folder = FolderPart(target);
  if (!folder || (!DirectoryExists(*folder) && !ForceDirectories(*folder)))
    throw EZipError(u"Error creating directory - " + target);
  if (!name.empty() && name.back() == u'\\') return name;

  // The content goes to a file beside the target that replaces it only once it is checked. Its
  // name is short, so that it fits wherever the target's own name fits.
  const ZipString temporary =
      UniqueSiblingName(target.substr(0, target.find_last_of(u"\\:") + 1) + u".extract");
  try {
    {
      FileStream output(temporary, FileMode::Create, ShareMode::Exclusive);
      DecodeEntry(record, dataStart, output, scratch ? &scratch->File() : nullptr);
    }
    if (!RenameFile(temporary, target)) throw EStreamError("Cannot replace the target");
  } catch (const EEntryCheckFailed&) {
    DeleteFile(temporary);
    throw;
  } catch (const std::exception&) {
    DeleteFile(temporary);
    throw EZipError("Error creating file.");
  }
  return name;
}

void TZipReader::ExtractAllToDisk() {
  if (FCount == 0 || !FFileAvailable) throw EZipError("No files available to save.");
  for (int32_t index = 0; index < FCount; ++index)
    ExtractFileToDisk(ZipString(), index);
}

void TZipReader::ExtractFileToStream(Stream& Output, int32_t Index) {
  CheckExtractable(Index);
  const TZipRec& record = ZippedFiles[size_t(Index)];
  const int64_t dataStart = LocateEntryData(record);
  std::optional<TScratchFile> scratch;
  if (!FTempFileName.empty()) scratch.emplace(FTempFileName);
  DecodeEntry(record, dataStart, Output, scratch ? &scratch->File() : nullptr);
}

}  // namespace vorlanth
