// Byte-by-byte archive builder for the reader's tests.
#include "tests/engine/craftedzip.h"

#include <zlib.h>

#include <stdexcept>

#include "engine/zipformat.h"
#include "tests/common/testing.h"

namespace vorlanth::testing {

namespace {

template <typename Header>
void Append(std::string& out, const Header& header) {
  uint8_t bytes[Header::kSize];
  header.Serialize(bytes);
  out.append(reinterpret_cast<const char*>(bytes), Header::kSize);
}

void Append32(std::string& out, uint32_t value) {
  uint8_t bytes[4];
  Put32(bytes, value);
  out.append(reinterpret_cast<const char*>(bytes), 4);
}

}  // namespace

std::string Deflate(std::string_view data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK)
    throw std::runtime_error("deflateInit2 failed");
  std::string out(deflateBound(&stream, uLong(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = uInt(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = uInt(out.size());
  int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

std::string CraftedArchive::Build() const {
  std::string out = Prefix;
  std::string central;
  for (const CraftedEntry& entry : Entries) {
    const std::string data = entry.Data          ? *entry.Data
                             : entry.Method == 8 ? Deflate(entry.Content)
                                                 : entry.Content;
    const uint32_t crc = entry.Crc.value_or(Crc32(entry.Content));
    const uint32_t compressed = entry.CompressedSize.value_or(uint32_t(data.size()));
    const uint32_t uncompressed = entry.UncompressedSize.value_or(uint32_t(entry.Content.size()));
    const uint32_t offset = entry.Offset.value_or(uint32_t(out.size()));
    const uint16_t flags = uint16_t(entry.Flags | (entry.DataDescriptor ? 8 : 0));

    LocalHeader local;
    local.BitFlag = flags;
    local.CompressionMethod = entry.Method;
    local.ModTime = entry.ModTime;
    local.ModDate = entry.ModDate;
    local.CRC = entry.DataDescriptor ? 0 : crc;
    local.CompressedSize =
        entry.LocalCompressedSize.value_or(entry.DataDescriptor ? 0 : compressed);
    local.UncompressedSize = entry.DataDescriptor ? 0 : uncompressed;
    local.FileNameLength = uint16_t(entry.Name.size());
    local.ExtraFieldLength = uint16_t(entry.LocalExtra.size());
    Append(out, local);
    out += entry.Name + entry.LocalExtra + data;
    if (entry.DataDescriptor) {
      Append32(out, kSpanningSignature);
      Append32(out, crc);
      Append32(out, compressed);
      Append32(out, uncompressed);
    }

    CentralHeader header;
    header.BitFlag = entry.CentralFlags.value_or(flags);
    header.CompressionMethod = entry.Method;
    header.ModTime = entry.ModTime;
    header.ModDate = entry.ModDate;
    header.CRC = crc;
    header.CompressedSize = compressed;
    header.UncompressedSize = uncompressed;
    header.FileNameLength = uint16_t(entry.Name.size());
    header.ExtraFieldLength = uint16_t(entry.CentralExtra.size());
    header.FileCommentLength = uint16_t(entry.Comment.size());
    header.InternalAttr = entry.InternalAttr;
    header.ExternalAttr = entry.ExternalAttr;
    header.LocalHeaderOffset = offset;
    Append(central, header);
    central += entry.Name + entry.CentralExtra + entry.Comment;
  }
  EndRecord end;
  end.RecordsOnThisDisk = end.TotalRecords = RecordedEntries.value_or(uint16_t(Entries.size()));
  end.CentralDirectorySize = uint32_t(central.size());
  end.CentralDirectoryOffset = uint32_t(out.size());
  end.CommentLength = uint16_t(ArchiveComment.size());
  out += central;
  Append(out, end);
  return out + ArchiveComment;
}

}  // namespace vorlanth::testing
