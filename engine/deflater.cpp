// Raw deflate on zlib, one stream per writer.
#include "engine/deflater.h"

#include <new>

#include "engine/zipformat.h"

namespace vorlanth {

namespace {
constexpr size_t kOutputPiece = 65536;
}

Deflater::Deflater() : FBuffer(kOutputPiece) {
  int result =
      deflateInit2(&FStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  if (result == Z_MEM_ERROR) throw std::bad_alloc();
  if (result != Z_OK) throw EZipError("Cannot start the deflate compressor.");
}

Deflater::~Deflater() {
  deflateEnd(&FStream);
}

void Deflater::Begin(Stream& target) {
  deflateReset(&FStream);
  FTarget = &target;
}

void Deflater::Write(const uint8_t* data, size_t size) {
  FStream.next_in = const_cast<Bytef*>(data);
  FStream.avail_in = uInt(size);
  Run(Z_NO_FLUSH);
}

void Deflater::Finish() {
  FStream.next_in = nullptr;
  FStream.avail_in = 0;
  Run(Z_FINISH);
  FTarget = nullptr;
}

void Deflater::Run(int flush) {
  for (;;) {
    FStream.next_out = FBuffer.data();
    FStream.avail_out = uInt(FBuffer.size());
    int result = deflate(&FStream, flush);
    if (result == Z_STREAM_ERROR) throw EZipError("Deflate compressor failed.");
    FTarget->WriteBuffer(FBuffer.data(), int64_t(FBuffer.size() - FStream.avail_out));
    if (flush == Z_FINISH ? result == Z_STREAM_END : FStream.avail_out != 0) return;
  }
}

}  // namespace vorlanth
