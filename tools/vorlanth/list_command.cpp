// vorlanth list: one line per entry of an archive, as the reader's table holds it.
#include <cstdio>

#include "engine/zipwriter.h"
#include "tools/vorlanth/commands.h"

namespace vorlanth::cli {

int RunList(Arguments& args) {
  std::vector<std::string> positionals = args.Positionals();
  if (positionals.size() != 1) throw UsageError("needs exactly one archive");
  TZipReader reader;
  reader.ReadFromFile(FromUtf8(positionals[0]));
  for (int32_t i = 0; i < reader.Count(); ++i) {
    const TZipRec record = reader.FileProperties(i);
    // The DOS words as stored: no time-zone conversion.
    std::printf("%d\t%s\t%u\t%u\t%04d-%02d-%02d %02d:%02d:%02d\n", i,
                ToUtf8(record.FileName).c_str(), record.CompressedSize, record.UncompressedSize,
                1980 + (record.ModDate >> 9), (record.ModDate >> 5) & 15, record.ModDate & 31,
                record.ModTime >> 11, (record.ModTime >> 5) & 63, (record.ModTime & 31) * 2);
  }
  return 0;
}

}  // namespace vorlanth::cli
