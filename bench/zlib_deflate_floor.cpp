// The floor for building an archive: zlib alone deflating every file of a tree at the default
// level, with one stream reset per file, reading in the same pieces and discarding the output.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zlib_deflate_floor DIRECTORY\n");
    return 1;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1]))
    if (entry.is_regular_file()) files.push_back(entry.path());

  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::vector<unsigned char> in(65536), out(65536);
  uint64_t bytesIn = 0, bytesOut = 0;
  const auto start = std::chrono::steady_clock::now();
  for (const auto& path : files) {
    std::ifstream file(path, std::ios::binary);
    deflateReset(&z);
    int flush = Z_NO_FLUSH;
    do {
      file.read(reinterpret_cast<char*>(in.data()), std::streamsize(in.size()));
      z.next_in = in.data();
      z.avail_in = uInt(file.gcount());
      bytesIn += z.avail_in;
      flush = file ? Z_NO_FLUSH : Z_FINISH;
      do {
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        deflate(&z, flush);
        bytesOut += out.size() - z.avail_out;
      } while (z.avail_out == 0);
    } while (flush != Z_FINISH);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  deflateEnd(&z);
  std::printf("%zu files, %llu bytes in, %llu bytes out, %.3f s\n", files.size(),
              static_cast<unsigned long long>(bytesIn), static_cast<unsigned long long>(bytesOut),
              seconds);
  return 0;
}
