// TMakeZip's source lists, settings and archive output.
#include "objects/makezip.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/paths.h"

namespace vorlanth {

namespace {

constexpr uint32_t kInitialDiskSize = 1048576;
constexpr int32_t kMinDiskSizeKiB = 100;
// 4194304 KiB is 2^32 bytes, one more than a 32-bit volume size can hold.
constexpr int32_t kDiskSizeLimitKiB = 4194304;

void CheckIndex(int32_t index, size_t count) {
  if (index < 0 || size_t(index) >= count) throw EIndexError("Index out of range.");
}

int32_t LastIndex(size_t count) {
  return int32_t(count) - 1;
}

// Volume numbers exist from 1 to 65535; anything else becomes 0, which the writer refuses
// instead of quietly taking the low 16 bits of the number.
uint16_t VolumeNumber(int32_t DiskNo) {
  return DiskNo < 0 || DiskNo > 0xFFFF ? 0 : uint16_t(DiskNo);
}

void RefuseSpanned(bool spanDisk, bool wanted, const char* member) {
  if (spanDisk == wanted) return;
  throw EZipError(std::string("Do not use ") + member + " when SpanDisk is " +
                  (spanDisk ? "true." : "false."));
}

// Runs a build into a new memory stream and hands its bytes out. Failures other than the
// engine's own become one general message.
template <class Build>
std::vector<uint8_t> BuildInMemory(Build build) {
  MemoryStream stream;
  try {
    build(stream);
  } catch (const EZipError&) {
    throw;
  } catch (...) {
    throw EZipError("There was an error creating the zip file.");
  }
  return std::move(stream.Bytes());
}

// The name a browser offers for the download: the file-name part, made safe for a quoted
// header value (control characters dropped, quotation marks escaped).
ZipString HeaderFileName(const ZipString& name) {
  ZipString result;
  for (char16_t c : ExtractFileName(name)) {
    if (c < 0x20 || c == 0x7F) continue;
    if (c == u'"') result += u'\\';
    result += c;
  }
  return result;
}

}  // namespace

TMakeZip::TMakeZip() {
  FZipWriter.SetDiskSize(kInitialDiskSize);
}

int32_t TMakeZip::ZipAdd(const ZipString& FileName) {
  FZipWriter.SetURLUsername(FURLUsername);
  FZipWriter.SetURLPassword(FURLPassword);
  FZipWriter.FileList().push_back(FileName);
  return LastIndex(FZipWriter.FileList().size());
}

int32_t TMakeZip::ZipFileCount() const {
  return int32_t(FZipWriter.FileList().size());
}

ZipString TMakeZip::ZipFile(int32_t Index) const {
  CheckIndex(Index, FZipWriter.FileList().size());
  return FZipWriter.FileList()[size_t(Index)];
}

void TMakeZip::SetZipFile(int32_t Index, const ZipString& Value) {
  CheckIndex(Index, FZipWriter.FileList().size());
  FZipWriter.FileList()[size_t(Index)] = Value;
}

void TMakeZip::ZipDelete(int32_t Index) {
  auto& list = FZipWriter.FileList();
  CheckIndex(Index, list.size());
  list.erase(list.begin() + Index);
}

void TMakeZip::ZipClear() {
  FZipWriter.FileList().clear();
}

int32_t TMakeZip::ZipAddDirectory(const ZipString& Path) {
  return FZipWriter.AddZipDirectory(Path);
}

int32_t TMakeZip::AltNameAdd(const ZipString& AltFileName) {
  FZipWriter.AltFileList().push_back(AltFileName);
  return LastIndex(FZipWriter.AltFileList().size());
}

int32_t TMakeZip::AltNameCount() const {
  return int32_t(FZipWriter.AltFileList().size());
}

ZipString TMakeZip::AltName(int32_t Index) const {
  CheckIndex(Index, FZipWriter.AltFileList().size());
  return FZipWriter.AltFileList()[size_t(Index)];
}

void TMakeZip::SetAltName(int32_t Index, const ZipString& Value) {
  CheckIndex(Index, FZipWriter.AltFileList().size());
  FZipWriter.AltFileList()[size_t(Index)] = Value;
}

void TMakeZip::AltNameDelete(int32_t Index) {
  auto& list = FZipWriter.AltFileList();
  CheckIndex(Index, list.size());
  list.erase(list.begin() + Index);
}

void TMakeZip::AltNameClear() {
  FZipWriter.AltFileList().clear();
}

ZipString TMakeZip::PathRoot() const {
  return FZipWriter.PathRoot();
}
void TMakeZip::SetPathRoot(const ZipString& Value) {
  FZipWriter.SetPathRoot(Value);
}
bool TMakeZip::KeepPathInfo() const {
  return FZipWriter.KeepDirInfo();
}
void TMakeZip::SetKeepPathInfo(bool Value) {
  FZipWriter.SetKeepDirInfo(Value);
}
ZipString TMakeZip::TempFileName() const {
  return FZipWriter.TempFileName();
}
void TMakeZip::SetTempFileName(const ZipString& Value) {
  FZipWriter.SetTempFileName(Value);
}
bool TMakeZip::SpanDisk() const {
  return FZipWriter.SpanDisk();
}
void TMakeZip::SetSpanDisk(bool Value) {
  FZipWriter.SetSpanDisk(Value);
}
bool TMakeZip::SplitArchive() const {
  return FZipWriter.SplitArchive();
}

void TMakeZip::SetSplitArchive(bool Value) {
  FZipWriter.SetSplitArchive(Value);
  if (Value) FZipWriter.SetSpanDisk(true);
}

int32_t TMakeZip::DiskSize() const {
  return int32_t(FZipWriter.DiskSize() / 1024);
}

void TMakeZip::SetDiskSize(int32_t Value) {
  if (Value >= kMinDiskSizeKiB && Value < kDiskSizeLimitKiB) {
    FZipWriter.SetDiskSize(uint32_t(Value) * 1024);
  }
}

int32_t TMakeZip::DiskCount() const {
  return FZipWriter.DiskCount();
}

void TMakeZip::SaveZip(const ZipString& FileName) {
  FZipWriter.WriteZIPFile(FileName);
}

void TMakeZip::SaveZipDisk(const ZipString& Name, int32_t DiskNo) {
  FZipWriter.WriteZIPFileDisk(Name, VolumeNumber(DiskNo));
}

std::vector<uint8_t> TMakeZip::ZipData() {
  RefuseSpanned(SpanDisk(), false, "ZipData");
  return BuildInMemory([&](MemoryStream& stream) { FZipWriter.ZipStream(stream); });
}

std::vector<uint8_t> TMakeZip::ZipDiskData(int32_t DiskNo) {
  RefuseSpanned(SpanDisk(), true, "ZipDiskData");
  return BuildInMemory(
      [&](MemoryStream& stream) { FZipWriter.ZipStreamDisk(VolumeNumber(DiskNo), stream); });
}

void TMakeZip::StreamZip(const ZipString& Name) {
  RefuseSpanned(SpanDisk(), false, "StreamZip");
  SendDownload(Name, BuildInMemory([&](MemoryStream& stream) { FZipWriter.ZipStream(stream); }));
}

void TMakeZip::StreamZipDisk(const ZipString& Name, int32_t DiskNo) {
  RefuseSpanned(SpanDisk(), true, "StreamZipDisk");
  std::vector<uint8_t> volume = BuildInMemory(
      [&](MemoryStream& stream) { FZipWriter.ZipStreamDisk(VolumeNumber(DiskNo), stream); });
  // Volumes are offered under span-set names, whatever SplitArchive says.
  SendDownload(SpanVolumeName(Name, uint16_t(DiskNo)), volume);
}

void TMakeZip::SendDownload(const ZipString& Name, const std::vector<uint8_t>& Body) {
  Response().SetContentType(u"application/x-zip-compressed");
  Response().AddHeader(u"Content-Disposition", (FAttachment ? u"attachment" : u"inline") +
                                                   ZipString(u"; filename=\"") +
                                                   HeaderFileName(Name) + u"\"");
  Response().AddHeader(u"Content-Length", DecimalText(int64_t(Body.size())));
  std::span<const uint8_t> rest(Body);
  while (!rest.empty()) {
    size_t pieceSize = std::min(rest.size(), kResponsePieceSize);
    Response().BinaryWrite(rest.first(pieceSize));
    Response().Flush();
    rest = rest.subspan(pieceSize);
  }
}

}  // namespace vorlanth
