// Byte layout of the ZIP headers: each record's reading and writing next to each other.
#include "engine/zipformat.h"

namespace vorlanth {

LocalHeader LocalHeader::For(const TZipRec& record) {
  LocalHeader h;
  h.VersionNeeded = record.VersionNeeded;
  h.BitFlag = record.BitFlag;
  h.CompressionMethod = record.CompressionMethod;
  h.ModTime = record.ModTime;
  h.ModDate = record.ModDate;
  h.CRC = record.CRC;
  h.CompressedSize = record.CompressedSize;
  h.UncompressedSize = record.UncompressedSize;
  h.FileNameLength = record.FileNameLength;
  return h;
}

LocalHeader LocalHeader::Parse(const uint8_t* b) {
  LocalHeader h;
  h.Signature = Get32(b + 0);
  h.VersionNeeded = Get16(b + 4);
  h.BitFlag = Get16(b + 6);
  h.CompressionMethod = Get16(b + 8);
  h.ModTime = Get16(b + 10);
  h.ModDate = Get16(b + 12);
  h.CRC = Get32(b + 14);
  h.CompressedSize = Get32(b + 18);
  h.UncompressedSize = Get32(b + 22);
  h.FileNameLength = Get16(b + 26);
  h.ExtraFieldLength = Get16(b + 28);
  return h;
}

void LocalHeader::Serialize(uint8_t* b) const {
  Put32(b + 0, Signature);
  Put16(b + 4, VersionNeeded);
  Put16(b + 6, BitFlag);
  Put16(b + 8, CompressionMethod);
  Put16(b + 10, ModTime);
  Put16(b + 12, ModDate);
  Put32(b + 14, CRC);
  Put32(b + 18, CompressedSize);
  Put32(b + 22, UncompressedSize);
  Put16(b + 26, FileNameLength);
  Put16(b + 28, ExtraFieldLength);
}

CentralHeader CentralHeader::For(const TZipRec& record) {
  CentralHeader h;
  h.VersionMadeBy = record.VersionMadeBy;
  h.VersionNeeded = record.VersionNeeded;
  h.BitFlag = record.BitFlag;
  h.CompressionMethod = record.CompressionMethod;
  h.ModTime = record.ModTime;
  h.ModDate = record.ModDate;
  h.CRC = record.CRC;
  h.CompressedSize = record.CompressedSize;
  h.UncompressedSize = record.UncompressedSize;
  h.FileNameLength = record.FileNameLength;
  h.InternalAttr = record.InternalAttr;
  return h;
}

CentralHeader CentralHeader::Parse(const uint8_t* b) {
  CentralHeader h;
  h.Signature = Get32(b + 0);
  h.VersionMadeBy = Get16(b + 4);
  h.VersionNeeded = Get16(b + 6);
  h.BitFlag = Get16(b + 8);
  h.CompressionMethod = Get16(b + 10);
  h.ModTime = Get16(b + 12);
  h.ModDate = Get16(b + 14);
  h.CRC = Get32(b + 16);
  h.CompressedSize = Get32(b + 20);
  h.UncompressedSize = Get32(b + 24);
  h.FileNameLength = Get16(b + 28);
  h.ExtraFieldLength = Get16(b + 30);
  h.FileCommentLength = Get16(b + 32);
  h.DiskNumberStart = Get16(b + 34);
  h.InternalAttr = Get16(b + 36);
  h.ExternalAttr = Get32(b + 38);
  h.LocalHeaderOffset = Get32(b + 42);
  return h;
}

void CentralHeader::Serialize(uint8_t* b) const {
  Put32(b + 0, Signature);
  Put16(b + 4, VersionMadeBy);
  Put16(b + 6, VersionNeeded);
  Put16(b + 8, BitFlag);
  Put16(b + 10, CompressionMethod);
  Put16(b + 12, ModTime);
  Put16(b + 14, ModDate);
  Put32(b + 16, CRC);
  Put32(b + 20, CompressedSize);
  Put32(b + 24, UncompressedSize);
  Put16(b + 28, FileNameLength);
  Put16(b + 30, ExtraFieldLength);
  Put16(b + 32, FileCommentLength);
  Put16(b + 34, DiskNumberStart);
  Put16(b + 36, InternalAttr);
  Put32(b + 38, ExternalAttr);
  Put32(b + 42, LocalHeaderOffset);
}

EndRecord EndRecord::Parse(const uint8_t* b) {
  EndRecord r;
  r.Signature = Get32(b + 0);
  r.ThisDisk = Get16(b + 4);
  r.CentralDirectoryDisk = Get16(b + 6);
  r.RecordsOnThisDisk = Get16(b + 8);
  r.TotalRecords = Get16(b + 10);
  r.CentralDirectorySize = Get32(b + 12);
  r.CentralDirectoryOffset = Get32(b + 16);
  r.CommentLength = Get16(b + 20);
  return r;
}

void EndRecord::Serialize(uint8_t* b) const {
  Put32(b + 0, Signature);
  Put16(b + 4, ThisDisk);
  Put16(b + 6, CentralDirectoryDisk);
  Put16(b + 8, RecordsOnThisDisk);
  Put16(b + 10, TotalRecords);
  Put32(b + 12, CentralDirectorySize);
  Put32(b + 16, CentralDirectoryOffset);
  Put16(b + 20, CommentLength);
}

}  // namespace vorlanth
