// One raw-deflate compressor reused across the entries of a build.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "platform/streams.h"

namespace vorlanth {

// Compresses entry data into bare deflate streams (no zlib header or Adler-32 trailer) with
// zlib's default level, a 32 KiB window, memory level 8 and the default strategy. The stream
// is initialised once and reset between entries: a fresh deflateInit2 per entry costs several
// times the compression of a small file, and a reset gives the same output.
class Deflater {
 public:
  Deflater();
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Starts a new deflate stream whose output goes to `target`.
  void Begin(Stream& target);
  void Write(const uint8_t* data, size_t size);
  // Ends the stream, flushing everything into the target.
  void Finish();

 private:
  void Run(int flush);

  z_stream FStream{};
  Stream* FTarget = nullptr;
  std::vector<uint8_t> FBuffer;
};

}  // namespace vorlanth
