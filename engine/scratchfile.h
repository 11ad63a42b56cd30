// The scratch file named by a TempFileName setting: made for one entry, removed on every path.
#pragma once

#include <optional>

#include "platform/streams.h"
#include "platform/text.h"

namespace vorlanth {

// Creates (or truncates) the file, not shared, for reading and writing; fails with EZipError
// "Error creating temporary file." when it cannot. The file is closed and deleted when the
// object goes, whether the work with it succeeded or not.
class TScratchFile {
 public:
  explicit TScratchFile(const ZipString& name);
  ~TScratchFile();
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;

  FileStream& File() { return *FFile; }

 private:
  ZipString FName;
  std::optional<FileStream> FFile;
};

}  // namespace vorlanth
