// vorlanth zip: builds an archive, a volume set or one volume from files, trees and URLs.
#include <charconv>
#include <cstdio>

#include "engine/zipwriter.h"
#include "platform/files.h"
#include "tools/vorlanth/commands.h"

namespace vorlanth::cli {

namespace {

uint32_t ParseNumber(const std::string& text, const char* option, uint64_t limit) {
  uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > limit) {
    throw UsageError(std::string(option) + " needs a number from 1 to " + std::to_string(limit));
  }
  return uint32_t(value);
}

}  // namespace

int RunZip(Arguments& args) {
  TZipWriter writer;
  writer.SetKeepDirInfo(args.Flag("keep-paths"));
  const bool split = args.Flag("split");
  if (auto root = args.Value("root")) writer.SetPathRoot(FromUtf8(*root));
  for (const std::string& name : args.Values("name"))
    writer.AltFileList().push_back(FromUtf8(name));
  if (auto temp = args.Value("temp")) writer.SetTempFileName(FromUtf8(*temp));
  std::optional<std::string> span = args.Value("span");
  std::optional<std::string> volume = args.Value("volume");
  std::vector<std::string> positionals = args.Positionals();
  if (positionals.size() < 2) throw UsageError("needs an archive and at least one source");
  if ((split || volume) && !span) throw UsageError("--split and --volume need --span");
  if (span) {
    writer.SetSpanDisk(true);
    writer.SetSplitArchive(split);
    writer.SetDiskSize(ParseNumber(*span, "--span", 0xFFFFFFFFu / 1024) * 1024);
  }

  for (size_t i = 1; i < positionals.size(); ++i) {
    ZipString source = FromUtf8(positionals[i]);
    if (!IsUrlSource(source) && DirectoryExists(source)) {
      writer.AddZipDirectory(source);
    } else {
      writer.FileList().push_back(source);
    }
  }

  ProgressLine progress;
  writer.OnEntry = [&progress](size_t index, size_t count, const ZipString& source) {
    progress.Show(index + 1, count, ToUtf8(source));
  };
  const ZipString archive = FromUtf8(positionals[0]);
  if (volume) {
    writer.WriteZIPFileDisk(archive, uint16_t(ParseNumber(*volume, "--volume", 0xFFFF)));
  } else {
    writer.WriteZIPFile(archive);
  }
  return 0;
}

}  // namespace vorlanth::cli
