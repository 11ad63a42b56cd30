// The archive engine: TZipWriter builds archives from a list of sources; the reader side is
// declared in zipreader.h and included here, so that this one header is the whole engine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/zipformat.h"
#include "platform/files.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace vorlanth {

class ArchiveOutput;
class Deflater;

// A source beginning with "HTTP://" or "HTTPS://", in any letter case, is fetched over HTTP.
bool IsUrlSource(const ZipString& source);
// A source ending in "\" or "/" is a directory entry: an entry without data.
bool IsDirectorySource(const ZipString& source);

// Names of volume v (from 1) of a set saved as ZipName, whose last four characters (".zip" is
// expected) are dropped: span sets ZipName001.zip, ...; split sets ZipName.z01, ....
ZipString SpanVolumeName(const ZipString& ZipName, uint16_t volume);
ZipString SplitVolumeName(const ZipString& ZipName, uint16_t volume);

// Builds ZIP archives from local files, directory entries and URLs.
//
// A source is a local file path; a directory path ending in "\" or "/" (an entry without data,
// the way an empty directory is kept); or a URL beginning with "HTTP://" or "HTTPS://" in any
// letter case, fetched with WebRequest. FileList() holds the sources in archive order;
// AltFileList()[i], when present, names source i instead of its own name.
//
// Every output operation rebuilds the whole archive: entries in list order, each deflated
// completely before its local header is written (so no data descriptors), then the central
// directory and the end record. Nothing is checked when a source is added; a missing file or
// an unreachable URL shows only when an archive is built, and the first failing source ends
// the build.
//
// Failures are EZipError with these messages:
//   "Error reading source file: " + source   a local source is missing or cannot be opened
//   "Error reading remote file"              a URL fetch failed
//   "Insufficient memory available to zip the file."
//   "Error creating temporary file."         TempFileName cannot be created
//   "Error creating file " + ZipName         WriteZIPFile could not write its output
//   "Incorrect parameters to produce single disk from spanned set"
//   and a message naming the limit when a count, size or offset would not fit its field.
class TZipWriter {
 public:
  TZipWriter();
  ~TZipWriter();
  TZipWriter(const TZipWriter&) = delete;
  TZipWriter& operator=(const TZipWriter&) = delete;

  // Appends the files of a directory tree to FileList() (names sorted without regard to case,
  // subdirectories scanned where they are met), and each empty directory, ending in "\", when
  // KeepDirInfo is set. Returns the number of sources appended; 0 for a missing directory.
  int32_t AddZipDirectory(const ZipString& DirPath);

  // Builds the archive into the file ZipName. The build goes to a file beside ZipName that
  // replaces it only on success, so a failed build leaves an earlier ZipName as it was. With
  // SpanDisk set the output is then cut into volume files: ZipName minus its last four
  // characters plus 001.zip, 002.zip, ... (a span set), or with SplitArchive .z01, .z02, ...
  // and ZipName for the last volume (a split set).
  void WriteZIPFile(const ZipString& ZipName);

  // Builds the archive into memory and copies it into DataStream, rewound to 0.
  void ZipStream(MemoryStream& DataStream);

  // Builds the whole spanned archive into the scratch file ZipName + "$temp$" and writes
  // volume DiskNo (counted from 1) alone into ZipName. The scratch file is removed on every path.
  void WriteZIPFileDisk(const ZipString& ZipName, uint16_t DiskNo);

  // Builds the whole spanned archive into memory and appends volume DiskNo to SpanStream,
  // which is then rewound; on failure SpanStream is left as it was.
  void ZipStreamDisk(uint16_t DiskNo, MemoryStream& SpanStream);

  std::vector<ZipString>& FileList() { return FFileList; }
  const std::vector<ZipString>& FileList() const { return FFileList; }
  std::vector<ZipString>& AltFileList() { return FAltFileList; }
  const std::vector<ZipString>& AltFileList() const { return FAltFileList; }

  bool SpanDisk() const { return FSpanDisk; }
  void SetSpanDisk(bool value) { FSpanDisk = value; }
  // Volume size in bytes.
  uint32_t DiskSize() const { return FDiskSize; }
  void SetDiskSize(uint32_t value) { FDiskSize = value; }
  bool KeepDirInfo() const { return FKeepDirInfo; }
  void SetKeepDirInfo(bool value) { FKeepDirInfo = value; }
  // Volumes of the last build: 1 after every unspanned build, 0 before the first.
  uint16_t DiskCount() const { return FDiskCount; }
  const ZipString& PathRoot() const { return FPathRoot; }
  // Stores the root with "/" turned into "\", one leading "\" removed and a final "\" added
  // (values of zero or one character are kept as given): /docs/2024 becomes docs\2024\.
  void SetPathRoot(const ZipString& value);
  bool SplitArchive() const { return FSplitArchive; }
  void SetSplitArchive(bool value) { FSplitArchive = value; }
  const ZipString& URLUsername() const { return FURLUsername; }
  void SetURLUsername(const ZipString& value) { FURLUsername = value; }
  const ZipString& URLPassword() const { return FURLPassword; }
  void SetURLPassword(const ZipString& value) { FURLPassword = value; }
  const ZipString& HTTPUserAgent() const { return FHTTPUserAgent; }
  void SetHTTPUserAgent(const ZipString& value) { FHTTPUserAgent = value; }
  // Scratch file for each entry's compressed data; empty keeps it in memory.
  const ZipString& TempFileName() const { return FTempFileName; }
  void SetTempFileName(const ZipString& value) { FTempFileName = value; }
  int32_t HTTPTimeout() const { return FHTTPTimeout; }
  void SetHTTPTimeout(int32_t value) { FHTTPTimeout = value; }
  uint32_t Time() const { return FTime; }

  // Volume breaks of the last build: element k is where volume k+1 begins; after a spanned
  // build one more element bounds the last volume.
  const TDiskBreakArray& DiskBreaks() const { return FDiskBreaks; }
  // Start of each central directory header of the last build.
  const TDiskBreakArray& CDRBreaks() const { return FCDRBreaks; }

  // Called before each entry of a build is written (index from 0, count, source); for
  // progress reports.
  std::function<void(size_t index, size_t count, const ZipString& source)> OnEntry;

 private:
  void BuildArchive(ArchiveOutput& output);
  void CheckUTF8FileNames();
  ZipString NameSource(size_t index) const;
  ZipString StoredName(const ZipString& nameSource) const;
  void WriteEntry(ArchiveOutput& output, const ZipString& source, TZipRec& record,
                  const ZipString& nameSource, Stream& target);
  void WriteCentralHeader(ArchiveOutput& output, const ZipString& source, const TZipRec& record);
  void WriteEndRecord(ArchiveOutput& output, uint64_t centralStart, uint64_t centralEnd);
  void ScanDirectory(const ZipString& directory, int32_t& count,
                     std::vector<FileIdentity>& ancestors);

  // Volume bookkeeping of a spanned build; positions are offsets in the whole output.
  uint32_t LastBreak() const { return FDiskBreaks[FDiskCount - 1]; }
  void BeginVolume(uint32_t start);
  void HeaderBreak(uint64_t headerEnd, TZipRec& record);
  void DataBreak(uint64_t dataEnd);
  void CentralBreak(uint64_t headerEnd, uint32_t headerStart);
  void RequireHeaderFits(uint64_t headerEnd) const;
  // Bounds the last volume by the end of the output.
  void BoundLastVolume(uint64_t outputSize);
  bool HasEntries() const { return !FCDRBreaks.empty(); }
  bool IsSingleVolumeSet() const { return FSpanDisk && FDiskCount == 1 && HasEntries(); }
  void CheckDiskNumber(uint16_t DiskNo) const;
  void CutVolumes(Stream& built, const ZipString& ZipName);

  bool FSpanDisk = false;
  uint32_t FDiskSize = 0;
  bool FKeepDirInfo = false;
  uint16_t FDiskCount = 0;
  TDiskBreakArray FDiskBreaks;
  TDiskBreakArray FCDRBreaks;
  MemoryStream FOutStream;
  std::vector<ZipString> FFileList;
  std::vector<ZipString> FAltFileList;
  ZipString FPathRoot;
  bool FSplitArchive = false;
  ZipString FURLUsername;
  ZipString FURLPassword;
  ZipString FHTTPUserAgent;
  int32_t FHTTPTimeout = 0;
  ZipString FTempFileName;
  uint32_t FTime = 0;
  bool FUTF8FileNames = false;
  // Reused across the entries of a build: the compressor and the memory for compressed data.
  std::unique_ptr<Deflater> FDeflater;
  MemoryStream FCompressed;
};

}  // namespace vorlanth

#include "engine/zipreader.h"
