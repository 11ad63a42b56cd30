// Reader benchmark driver: loading and listing, extraction, and zlib's inflate alone as the floor.
//
//   read_bench list ARCHIVE        loads ARCHIVE and prints one line per entry
//   read_bench extract ARCHIVE DIR extracts every entry under DIR
//   read_bench decode ARCHIVE      extracts every entry into a stream that drops the bytes:
//                                  the reader's own cost without the file system's
//   read_bench inflate ARCHIVE     inflates every deflated entry's data from memory into a
//                                  reused buffer and prints the seconds that took (the archive
//                                  is read into memory first, outside the timing)
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "engine/zipwriter.h"
#include "platform/streams.h"

namespace vorlanth {
namespace {

int List(const std::string& archive) {
  TZipReader reader;
  reader.ReadFromFile(FromUtf8(archive));
  for (int32_t i = 0; i < reader.Count(); ++i) {
    const TZipRec record = reader.FileProperties(i);
    std::printf("%d\t%s\t%u\t%u\t%04x%04x\n", i, ToUtf8(record.FileName).c_str(),
                record.CompressedSize, record.UncompressedSize, record.ModDate, record.ModTime);
  }
  return 0;
}

int Extract(const std::string& archive, const std::string& folder) {
  TZipReader reader;
  reader.ReadFromFile(FromUtf8(archive));
  reader.SetPathRoot(FromUtf8(folder));
  reader.ExtractAllToDisk();
  return 0;
}

// Takes every byte written and keeps none.
class DiscardStream final : public Stream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override { return count; }
  int64_t Seek(int64_t, SeekOrigin) override { return 0; }
  void SetSize(int64_t) override {}
};

int Decode(const std::string& archive) {
  TZipReader reader;
  reader.ReadFromFile(FromUtf8(archive));
  DiscardStream sink;
  for (int32_t i = 0; i < reader.Count(); ++i) {
    if (!reader.FileProperties(i).FileName.ends_with(u'/')) reader.ExtractFileToStream(sink, i);
  }
  return 0;
}

int Inflate(const std::string& archive) {
  TZipReader reader;
  reader.ReadFromFile(FromUtf8(archive));
  FileStream file(FromUtf8(archive), FileMode::OpenRead, ShareMode::DenyNone);
  std::vector<uint8_t> bytes(size_t(file.Size()));
  file.ReadBuffer(bytes.data(), int64_t(bytes.size()));

  struct Span {
    const uint8_t* Data;
    uint32_t Size;
  };
  std::vector<Span> entries;
  for (int32_t i = 0; i < reader.Count(); ++i) {
    const TZipRec record = reader.FileProperties(i);
    if (record.CompressionMethod != kMethodDeflated || record.CompressedSize == 0) continue;
    const LocalHeader header = LocalHeader::Parse(bytes.data() + record.Offset);
    const size_t start =
        record.Offset + LocalHeader::kSize + header.FileNameLength + header.ExtraFieldLength;
    entries.push_back({bytes.data() + start, record.CompressedSize});
  }

  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return 1;
  // Output in pieces of the size the reader uses.
  std::vector<uint8_t> output(65536);
  uint64_t produced = 0;
  const auto begin = std::chrono::steady_clock::now();
  for (const Span& entry : entries) {
    inflateReset(&stream);
    stream.next_in = const_cast<Bytef*>(entry.Data);
    stream.avail_in = entry.Size;
    int result = Z_OK;
    while (result == Z_OK) {
      stream.next_out = output.data();
      stream.avail_out = uInt(output.size());
      result = inflate(&stream, Z_NO_FLUSH);
      produced += output.size() - stream.avail_out;
    }
    if (result != Z_STREAM_END) {
      std::fprintf(stderr, "inflate failed: %d\n", result);
      return 1;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  inflateEnd(&stream);
  std::printf("%.3f\n", seconds);
  std::fprintf(stderr, "%zu entries, %llu bytes\n", entries.size(),
               static_cast<unsigned long long>(produced));
  return 0;
}

}  // namespace
}  // namespace vorlanth

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 2 && args[0] == "list") return vorlanth::List(args[1]);
    if (args.size() == 3 && args[0] == "extract") return vorlanth::Extract(args[1], args[2]);
    if (args.size() == 2 && args[0] == "decode") return vorlanth::Decode(args[1]);
    if (args.size() == 2 && args[0] == "inflate") return vorlanth::Inflate(args[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  std::fprintf(stderr, "usage: read_bench list|decode|inflate ARCHIVE | extract ARCHIVE DIR\n");
  return 2;
}
