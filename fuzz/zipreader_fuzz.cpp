// Fuzz target for the archive reader: any bytes, loaded, listed and extracted.
//
// Contract: loading, listing and extracting any input succeeds or fails with a vorlanth::Exception.
//
// Also checked: loads from memory and from a file agree; an extraction that succeeds has its
// recorded size and CRC-32; disk extraction leaves nothing outside its root, nor a scratch or
// partial file. Entries over 16 MiB recorded size, or past 64 MiB per input and side, are skipped
// so that each input stays fast.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "engine/zipwriter.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;
using vorlanth::MemoryStream;
using vorlanth::TZipReader;
using vorlanth::TZipRec;

// Keeps each input fast: a recorded size may claim up to 4 GiB.
constexpr uint32_t kEntryLimit = 16u << 20;
constexpr uint64_t kTotalLimit = 64u << 20;

// A broken promise of the contract is a crash, which the fuzzer keeps as a finding.
[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "zipreader_fuzz: %s\n", what.c_str());
  std::abort();
}

// Which entries an input may extract, within the size limits.
class Budget {
 public:
  bool Take(const TZipRec& record) {
    if (record.UncompressedSize > kEntryLimit || FUsed + record.UncompressedSize > kTotalLimit)
      return false;
    FUsed += record.UncompressedSize;
    return true;
  }

 private:
  uint64_t FUsed = 0;
};

void CheckContent(const TZipRec& record, const std::vector<uint8_t>& content) {
  const uLong crc = crc32(0, content.data(), uInt(content.size()));
  if (content.size() != record.UncompressedSize || uint32_t(crc) != record.CRC)
    Fail("an extraction succeeded with content that differs from its record");
}

// The folder of the disk side, made fresh once per process: the input file, the scratch file and
// the extraction root, nested a few levels down so that a name climbing out of the root lands in
// a folder that is watched.
class Workspace {
 public:
  Workspace() {
    std::string pattern = (fs::temp_directory_path() / "zipreader-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a temporary folder");
    FBase = pattern;
    FRoot = FBase / "up1" / "up2" / "up3" / "root";
    fs::create_directories(FRoot);
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(FBase, ignored);
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  fs::path Input() const { return FBase / "input.zip"; }
  fs::path Scratch() const { return FBase / "scratch.tmp"; }
  const fs::path& Root() const { return FRoot; }

  void WriteInput(const uint8_t* data, size_t size) const {
    std::FILE* file = std::fopen(Input().c_str(), "wb");
    const bool written = file != nullptr && std::fwrite(data, 1, size, file) == size;
    if (file != nullptr && std::fclose(file) != 0) Fail("cannot write the input file");
    if (!written) Fail("cannot write the input file");
  }

  // Everything outside the root is as it was made, and the root holds only the files of
  // successful extractions; then the root is emptied for the next input.
  void CheckAndReset(const std::set<fs::path>& extracted) const {
    ExpectNames(FBase, {"input.zip", "up1"});
    ExpectNames(FBase / "up1", {"up2"});
    ExpectNames(FBase / "up1" / "up2", {"up3"});
    ExpectNames(FBase / "up1" / "up2" / "up3", {"root"});
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(FRoot)) {
      if (entry.is_directory()) continue;
      if (!entry.is_regular_file() || !extracted.contains(fs::canonical(entry.path())))
        Fail("a file that no extraction made is left: " + entry.path().string());
    }
    fs::remove_all(FRoot);
    fs::create_directory(FRoot);
  }

 private:
  static void ExpectNames(const fs::path& folder, const std::set<std::string>& expected) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
      names.insert(entry.path().filename().string());
    if (names != expected) Fail("something was written outside the root, in " + folder.string());
  }

  fs::path FBase;
  fs::path FRoot;
};

// The outcome of a load: the message of its failure, or empty.
std::string Load(const std::function<void()>& load) {
  try {
    load();
  } catch (const vorlanth::Exception& error) {
    return std::string("failed: ") + error.what();
  }
  return {};
}

void ExtractIntoMemory(TZipReader& reader) {
  Budget budget;
  for (int32_t index = 0; index < reader.Count(); ++index) {
    const TZipRec record = reader.FileProperties(index);
    if (!budget.Take(record)) continue;
    MemoryStream output;
    try {
      reader.ExtractFileToStream(output, index);
    } catch (const vorlanth::Exception&) {
      continue;
    }
    CheckContent(record, output.Bytes());
  }
}

void ExtractToDisk(TZipReader& reader, const Workspace& workspace) {
  Budget budget;
  std::set<fs::path> extracted;
  for (int32_t index = 0; index < reader.Count(); ++index) {
    const TZipRec record = reader.FileProperties(index);
    if (!budget.Take(record)) continue;
    vorlanth::ZipString name;
    try {
      name = reader.ExtractFileToDisk({}, index);
    } catch (const vorlanth::Exception&) {
      continue;
    }
    const fs::path target = workspace.Root() / vorlanth::ToSystemPath(name);
    if (!name.empty() && name.back() == u'\\') {
      if (!fs::is_directory(target)) Fail("a folder entry made no folder");
      continue;
    }
    if (!fs::is_regular_file(target)) Fail("an extraction succeeded without its file");
    MemoryStream content;
    {
      vorlanth::FileStream file(vorlanth::FromUtf8(target.string()), vorlanth::FileMode::OpenRead,
                                vorlanth::ShareMode::DenyNone);
      content.CopyFrom(file, file.Size());
    }
    CheckContent(record, content.Bytes());
    extracted.insert(fs::canonical(target));
  }
  workspace.CheckAndReset(extracted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Workspace workspace;

  MemoryStream bytes(std::vector<uint8_t>(data, data + size));
  TZipReader memoryReader;
  const std::string memoryLoad = Load([&] { memoryReader.ReadFromStream(bytes); });
  ExtractIntoMemory(memoryReader);

  workspace.WriteInput(data, size);
  TZipReader fileReader;
  fileReader.SetPathRoot(vorlanth::FromUtf8(workspace.Root().string()));
  fileReader.SetTempFileName(vorlanth::FromUtf8(workspace.Scratch().string()));
  const std::string fileLoad =
      Load([&] { fileReader.ReadFromFile(vorlanth::FromUtf8(workspace.Input().string())); });
  if (fileLoad != memoryLoad || fileReader.Count() != memoryReader.Count())
    Fail("loading from a file and from memory disagree: '" + fileLoad + "' / '" + memoryLoad + "'");
  for (int32_t index = 0; index < fileReader.Count(); ++index) {
    const TZipRec a = fileReader.FileProperties(index);
    const TZipRec b = memoryReader.FileProperties(index);
    if (a.FileName != b.FileName || a.Offset != b.Offset || a.CompressedSize != b.CompressedSize)
      Fail("loading from a file and from memory list different entries");
  }
  ExtractToDisk(fileReader, workspace);
  return 0;
}
