// Scratch files for compressed data.
#include "engine/scratchfile.h"

#include "engine/zipformat.h"
#include "platform/files.h"

namespace vorlanth {

TScratchFile::TScratchFile(const ZipString& name) : FName(name) {
  try {
    FFile.emplace(name, FileMode::Create, ShareMode::Exclusive);
  } catch (const EStreamError&) {
    throw EZipError("Error creating temporary file.");
  }
}

TScratchFile::~TScratchFile() {
  FFile.reset();
  DeleteFile(FName);
}

}  // namespace vorlanth
