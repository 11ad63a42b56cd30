// Writes one entry's content out of its stored data, checked against its size and CRC-32.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>

#include "engine/zipformat.h"
#include "platform/streams.h"

namespace vorlanth {

// What came out of an entry is not what its record describes: "CRC error - " and the name.
class EEntryCheckFailed : public EZipError {
 public:
  explicit EEntryCheckFailed(const ZipString& entryName);
};

// Copies stored entries and inflates deflated ones (bare deflate data, no zlib header). The
// zlib state and the buffers are made once and reset between entries: a fresh inflateInit2
// per entry costs more than the inflation of a small file.
class EntryDecoder {
 public:
  EntryDecoder();
  ~EntryDecoder();
  EntryDecoder(const EntryDecoder&) = delete;
  EntryDecoder& operator=(const EntryDecoder&) = delete;

  // Reads exactly record.CompressedSize bytes from `source` (positioned at the entry's data)
  // and writes the content to `target` at its position. The output may never grow past
  // record.UncompressedSize: inflation stops there. Fails with
  //   EEntryCheckFailed  the content's size or CRC-32 differs from the record, it would grow
  //                      past the recorded size, or the deflate data ends before its last block
  //   EZipError          the deflate data is corrupt, with zlib's text ("data error")
  //   EStreamError       `source` ends early or `target` cannot be written
  // Only methods 0 and 8 are taken; the caller checks the method first.
  void Decode(Stream& source, const TZipRec& record, Stream& target);

 private:
  uint32_t Copy(Stream& source, const TZipRec& record, Stream& target);
  uint32_t Inflate(Stream& source, const TZipRec& record, Stream& target);

  z_stream FStream{};
  std::unique_ptr<uint8_t[]> FInput;
  std::unique_ptr<uint8_t[]> FOutput;
};

}  // namespace vorlanth
