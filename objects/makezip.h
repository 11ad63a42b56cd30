// TMakeZip: the scriptable object that lists sources and builds archives from them.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/zipwriter.h"
#include "objects/aspobject.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace vorlanth {

// An index outside a list: "Index out of range.".
class EIndexError : public Exception {
 public:
  using Exception::Exception;
};

// Builds archives with its own TZipWriter. The lists and settings live in the writer and stay
// for the object's life; every output member rebuilds the whole archive from them.
//
// Failures, besides the writer's EZipError messages:
//   EIndexError "Index out of range."                  an index below 0 or not below the count
//   EZipError "Do not use ZipData when SpanDisk is true." and the like for ZipDiskData,
//     StreamZip and StreamZipDisk, checked before anything is built
//   EZipError "There was an error creating the zip file."   a build into memory failed with
//     anything but an EZipError
//   EHostObjectMissing, or the host's EOleError, from the streaming members.
class TMakeZip : public TASPMTSObject {
 public:
  // Bytes of each BinaryWrite when an archive is streamed into the response.
  static constexpr size_t kResponsePieceSize = 102400;

  TMakeZip();

  // Source list: local files, directories ending in "\" or "/", and URLs; indexes from 0.
  // ZipAdd first copies the URL credentials set on this object into the writer, so a change of
  // them reaches the writer's URL sources only with the next ZipAdd. Returns the new index.
  int32_t ZipAdd(const ZipString& FileName);
  int32_t ZipFileCount() const;
  ZipString ZipFile(int32_t Index) const;
  void SetZipFile(int32_t Index, const ZipString& Value);
  // Removes a source; later sources move up, the alternative names stay where they are.
  void ZipDelete(int32_t Index);
  // Empties the source list; the alternative names stay.
  void ZipClear();
  // Appends a directory tree's files (the writer's AddZipDirectory); returns how many.
  int32_t ZipAddDirectory(const ZipString& Path);

  // Alternative names: the name at index i, when present, names source i in the archive.
  int32_t AltNameAdd(const ZipString& AltFileName);
  int32_t AltNameCount() const;
  ZipString AltName(int32_t Index) const;
  void SetAltName(int32_t Index, const ZipString& Value);
  void AltNameDelete(int32_t Index);
  void AltNameClear();

  // Settings, kept in the writer.
  ZipString PathRoot() const;
  void SetPathRoot(const ZipString& Value);  // normalised by the writer
  bool KeepPathInfo() const;
  void SetKeepPathInfo(bool Value);
  ZipString TempFileName() const;
  void SetTempFileName(const ZipString& Value);
  bool SpanDisk() const;
  void SetSpanDisk(bool Value);
  bool SplitArchive() const;
  // Setting true also sets SpanDisk; setting false leaves SpanDisk as it is.
  void SetSplitArchive(bool Value);
  // Volume size in units of 1024 bytes, 1024 at first. Values from 100 up to 4194303 are
  // taken; others are ignored without an error (4194304 KiB and more do not fit 32 bits).
  int32_t DiskSize() const;
  void SetDiskSize(int32_t Value);
  // Volumes of the last build: 0 before the first, 1 for an unspanned build.
  int32_t DiskCount() const;

  // Output. DiskNo counts volumes from 1; 0 and numbers above 65535 match no volume, and fail
  // with the writer's "Incorrect parameters to produce single disk from spanned set".
  void SaveZip(const ZipString& FileName);
  void SaveZipDisk(const ZipString& Name, int32_t DiskNo);
  std::vector<uint8_t> ZipData();
  std::vector<uint8_t> ZipDiskData(int32_t DiskNo);
  // Sends the archive as the response body: content type "application/x-zip-compressed",
  // a Content-Disposition with the file-name part of Name, a Content-Length, then the body in
  // pieces of kResponsePieceSize bytes, each followed by Flush.
  void StreamZip(const ZipString& Name);
  // The same for one volume, offered as Name minus its last four characters, DiskNo with at
  // least three digits and ".zip": backup.zip and 2 give backup002.zip.
  void StreamZipDisk(const ZipString& Name, int32_t DiskNo);

  // Object settings that the output members read; their script properties come with the
  // object's utility members.
  void SetAttachment(bool Value) { FAttachment = Value; }
  void SetURLUsername(const ZipString& Value) { FURLUsername = Value; }
  void SetURLPassword(const ZipString& Value) { FURLPassword = Value; }

  const TZipWriter& ZipWriter() const { return FZipWriter; }

 private:
  void SendDownload(const ZipString& Name, const std::vector<uint8_t>& Body);

  bool FAttachment = false;
  ZipString FURLPassword;
  ZipString FURLUsername;
  TZipWriter FZipWriter;
};

}  // namespace vorlanth
