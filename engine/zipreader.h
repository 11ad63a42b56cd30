// The archive engine's reading side: TZipReader loads an archive's entry table and writes
// entries out. Include engine/zipwriter.h, which is the whole engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/zipformat.h"
#include "platform/streams.h"
#include "platform/text.h"
#include "support/bufferedfilestream.h"

namespace vorlanth {

class EntryDecoder;

// Loads ZIP archives from a file or a stream and extracts their entries.
//
// Loading walks the archive forward from its first byte (after an optional spanning signature
// "PK\7\8" or single-volume marker "PK00"): local header, skip its data, next local header,
// until the first central directory header; then it reads the central directory up to the
// end record's signature. The end record itself is not read. When a local header cannot be
// skipped by its stated size (data descriptor flag, an all-ones size, or a size running past
// the end) the first "PK\1\2" after it is taken as the central directory. Only methods 0
// (stored) and 8 (deflated) are walked; names and comments are decoded by ReadTextFromStream.
//
// Load failures are EZipError:
//   "File not found - " + path    ReadFromFile: no such file; the earlier archive stays loaded
//   "Error opening file."         ReadFromFile: the file cannot be opened
//   "Error reading zip file - invalid format."
//   "Error reading zip file - encrypted files are not supported."
//   "Error reading zip file - compression method not supported."
//   "Error reading zip file - unsupported format."   a scan would be needed in spanned mode
//   "Error reading zip file - ZIP64 archives are not supported."   an all-ones size or
//                                 offset in a central header, a ZIP64 end record, or a central
//                                 directory beyond the first 4 GiB
//   "Error reading zip file - central directory not found."   the scan reached the end
//   "Error reading zip file."     any other failure: a header, name or comment cut short
// Every failed load other than "File not found" leaves the reader empty: Count() 0, no
// FileAvailable(), no FileName(), no stream.
//
// A stream given to ReadFromStream stays the caller's; it must stay alive and unchanged while
// the reader may read from it (until the next load or the reader's end), and hold the archive
// from its position 0.
class TZipReader {
 public:
  TZipReader();
  ~TZipReader();
  TZipReader(const TZipReader&) = delete;
  TZipReader& operator=(const TZipReader&) = delete;

  // Opens FileName as a cached read-only stream (read sharing) and loads it.
  void ReadFromFile(const ZipString& FileName);
  // Loads the archive held by FileStream, from its current position (which must be 0). The
  // file of an earlier ReadFromFile is closed.
  void ReadFromStream(Stream& FileStream);

  // Writes entry Index into the folder PathRoot(), under FileName when it is not empty, else
  // under the stored name, and returns the name used with "\" separators, without the root.
  // The root gets one "\" before a name that does not start with one; the target's folder and
  // its missing parents are created; a stored name ending in "/" only creates its folder. An
  // existing target is replaced only once its new content is complete and checked, so a failed
  // extraction leaves it as it was and leaves no partial file. With TempFileName() set, the
  // entry's compressed data is copied into that file first, which is removed afterwards.
  // Failures, EZipError:
  //   "No files available to save."     nothing loaded by ReadFromFile or ReadFromStream
  //   "Index out of range."
  //   "Compression method not supported."
  //   "Invalid file name - " + name     a stored name that is absolute, has a drive prefix,
  //                                     a ".." component or a NUL: it would leave PathRoot()
  //   "Error reading zip file - invalid local header."   no local header at the entry's offset
  //   "Error creating temporary file."
  //   "Error creating directory - " + root and name    no folder part, or it cannot be made
  //   "Error creating file."            the target cannot be written, the data is cut short or
  //                                     corrupt
  //   "CRC error - " + stored name      the content differs from the entry's size or CRC-32
  ZipString ExtractFileToDisk(const ZipString& FileName, int32_t Index);
  // ExtractFileToDisk(empty, i) for every entry in order; the first failure ends it.
  void ExtractAllToDisk();
  // Writes entry Index's content into Output from its position, with the checks above. The
  // data cut short fails with the stream's "Stream read error", corrupt deflate data with
  // zlib's text ("data error"); the other messages are those of ExtractFileToDisk.
  void ExtractFileToStream(Stream& Output, int32_t Index);

  // A copy of entry Index's record; "Index out of range." outside 0 .. Count() - 1.
  TZipRec Get_FileProperties(int32_t Index) const;
  TZipRec FileProperties(int32_t Index) const { return Get_FileProperties(Index); }
  int32_t Count() const { return FCount; }

  // Target folder of extraction; "/" and "\" both separate. Stored as given.
  const ZipString& PathRoot() const { return FPathRoot; }
  void SetPathRoot(const ZipString& value) { FPathRoot = value; }
  // Scratch file for compressed data during extraction; empty works in memory.
  const ZipString& TempFileName() const { return FTempFileName; }
  void SetTempFileName(const ZipString& value) { FTempFileName = value; }
  // An archive loaded by ReadFromFile or ReadFromStream holds at least one entry.
  bool FileAvailable() const { return FFileAvailable; }
  bool SpannedFileAvailable() const { return FSpannedFileAvailable; }
  // The path given to the last successful ReadFromFile; empty after any other load.
  const ZipString& FileName() const { return FFileName; }
  // Some loaded name or comment holds a character outside ASCII, or a walked local header has
  // flag bit 11. Never cleared.
  bool UTF8FileNames() const { return FUTF8FileNames; }

  // Reads exactly count bytes and decodes them as UTF-8 (a leading byte-order mark dropped);
  // bytes that are not well-formed UTF-8 are decoded as Windows-1252 instead. Fails with the
  // stream's "Stream read error" when the stream ends first.
  static ZipString ReadTextFromStream(Stream& stream, uint32_t count);

 private:
  // How a walk over local headers ended.
  enum class WalkEnd { CentralDirectory, Scan, VolumeEnd };

  void ClearTable();
  // Back to the empty state: no table, no stream, nothing available.
  void Unload();
  // Runs the parser; a failed load leaves the reader empty and the failure passes on.
  void LoadEntries();
  void ReadZipEntries();
  uint32_t ReadSignature();
  WalkEnd WalkLocalHeaders(int64_t streamSize, uint16_t& lastLocalExtraLength);
  void ScanForCentralDirectory();
  void ReadCentralDirectory(bool scanned, uint16_t lastLocalExtraLength);

  // Extraction.
  void CheckExtractable(int32_t Index) const;
  // Reads the local header at the entry's offset; the position of the entry's first data byte.
  int64_t LocateEntryData(const TZipRec& record);
  // Writes the content of the entry whose data starts at dataStart, through scratch when given.
  void DecodeEntry(const TZipRec& record, int64_t dataStart, Stream& target, FileStream* scratch);
  EntryDecoder& Decoder();

  TZipPropertyArray ZippedFiles;
  Stream* FStream = nullptr;
  std::unique_ptr<TReadOnlyCachedFileStream> InputFileStream;
  ZipString FTempFileName;
  int32_t FCount = 0;
  ZipString FPathRoot;
  // Volume files of a spanned set; while not empty every load runs in spanned mode.
  std::vector<ZipString> FSpannedFileList;
  // Walk state carried from one volume to the next.
  bool FinishedLocalHeader = false;
  uint32_t SpannedAmountRead = 0;
  uint32_t ACompressedSize = 0;
  bool FFileAvailable = false;
  bool FSpannedFileAvailable = false;
  ZipString FFileName;
  uint32_t CDSOffset = 0;
  bool FUTF8FileNames = false;
  std::unique_ptr<EntryDecoder> FDecoder;
};

}  // namespace vorlanth
