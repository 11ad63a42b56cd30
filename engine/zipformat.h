// The ZIP records as this system writes and reads them: signatures, the entry record and the
// byte layout of each header, parsed and serialised side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/text.h"

namespace vorlanth {

// The engine's failure; its message is the text the script sees.
class EZipError : public Exception {
 public:
  using Exception::Exception;
};

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndRecordSignature = 0x06054b50;
// Begins a spanned output; the same value also marks data descriptors written by other tools.
constexpr uint32_t kSpanningSignature = 0x08074b50;
// Replaces the spanning signature when a spanned output fits in one volume ("PK00").
constexpr uint32_t kSingleVolumeMarker = 0x30304b50;

constexpr uint16_t kVersion20 = 20;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
constexpr uint16_t kFlagEncrypted = 1 << 0;
constexpr uint16_t kFlagDataDescriptor = 1 << 3;
constexpr uint16_t kFlagUtf8 = 1 << 11;
// External attributes of an entry fetched from a URL.
constexpr uint32_t kUrlExternalAttributes = 128;

// Field limits; a value beyond them cannot be written without ZIP64 records.
constexpr uint32_t kMaxEntries = 0xFFFF;
constexpr uint64_t kMaxSize = 0xFFFFFFFFull;
constexpr size_t kMaxNameBytes = 0xFFFF;

// One archive entry as the engine holds it. The writer fills it while writing the entry and
// reads it back for the central directory; the reader fills it from a central header.
struct TZipRec {
  ZipString FileName;  // stored name, "/" as separator
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t ModTime = 0;
  uint16_t ModDate = 0;
  uint32_t CRC = 0;
  uint16_t InternalAttr = 0;  // 1 text, 0 binary
  uint32_t ExternalAttr = 0;
  // Writer: position of the local header in the whole output. Reader: the offset as stored.
  uint32_t Offset = 0;
  // Writer: volume of the local header counted from 1. Reader: disk number as stored, from 0.
  uint16_t Disk = 0;
  uint32_t Signature = 0;
  uint16_t VersionNeeded = 0;
  uint16_t VersionMadeBy = 0;
  uint16_t BitFlag = 0;
  uint16_t CompressionMethod = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;  // of the central header
  uint16_t FileCommentLength = 0;
  ZipString Path;
  uint32_t FileStartPos = 0;
  ZipString FileComment;
  uint16_t ExtraFieldLengthLocal = 0;  // of the local header
};

using TZipPropertyArray = std::vector<TZipRec>;
// Output positions: where volumes begin, or where central directory headers begin.
using TDiskBreakArray = std::vector<uint32_t>;

// Little-endian field access.
inline uint16_t Get16(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = uint8_t(v >> (8 * i));
}

// Local file header: 30 bytes, then the name and the extra field.
struct LocalHeader {
  static constexpr size_t kSize = 30;
  uint32_t Signature = kLocalHeaderSignature;
  uint16_t VersionNeeded = kVersion20;
  uint16_t BitFlag = 0;
  uint16_t CompressionMethod = kMethodDeflated;
  uint16_t ModTime = 0;
  uint16_t ModDate = 0;
  uint32_t CRC = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;

  // The header of an entry as its record describes it, with no extra field.
  static LocalHeader For(const TZipRec& record);
  static LocalHeader Parse(const uint8_t* bytes);
  void Serialize(uint8_t* bytes) const;
};

// Central directory header: 46 bytes, then name, extra field and comment.
struct CentralHeader {
  static constexpr size_t kSize = 46;
  uint32_t Signature = kCentralHeaderSignature;
  uint16_t VersionMadeBy = kVersion20;
  uint16_t VersionNeeded = kVersion20;
  uint16_t BitFlag = 0;
  uint16_t CompressionMethod = kMethodDeflated;
  uint16_t ModTime = 0;
  uint16_t ModDate = 0;
  uint32_t CRC = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;
  uint16_t FileCommentLength = 0;
  uint16_t DiskNumberStart = 0;
  uint16_t InternalAttr = 0;
  uint32_t ExternalAttr = 0;
  uint32_t LocalHeaderOffset = 0;

  // The header of an entry as its record describes it, without extra field and comment; the
  // caller fills in the disk number, the external attributes and the offset.
  static CentralHeader For(const TZipRec& record);
  static CentralHeader Parse(const uint8_t* bytes);
  void Serialize(uint8_t* bytes) const;
};

// End of central directory record: 22 bytes; this system writes no archive comment.
struct EndRecord {
  static constexpr size_t kSize = 22;
  uint32_t Signature = kEndRecordSignature;
  uint16_t ThisDisk = 0;
  uint16_t CentralDirectoryDisk = 0;
  uint16_t RecordsOnThisDisk = 0;
  uint16_t TotalRecords = 0;
  uint32_t CentralDirectorySize = 0;
  uint32_t CentralDirectoryOffset = 0;
  uint16_t CommentLength = 0;

  static EndRecord Parse(const uint8_t* bytes);
  void Serialize(uint8_t* bytes) const;
};

}  // namespace vorlanth
