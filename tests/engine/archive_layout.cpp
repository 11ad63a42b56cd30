// Test-side archive reading from the end record.
#include "tests/engine/archive_layout.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace vorlanth::testing {

namespace {

uint16_t U16(const std::string& b, size_t at) {
  return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
uint32_t U32(const std::string& b, size_t at) {
  return uint32_t(U16(b, at)) | uint32_t(U16(b, at + 2)) << 16;
}

std::string RawInflate(const std::string& data, size_t expected) {
  std::string out(expected, '\0');
  z_stream z{};
  inflateInit2(&z, -MAX_WBITS);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = uInt(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  int result = inflate(&z, Z_FINISH);
  out.resize(z.total_out);
  inflateEnd(&z);
  EXPECT_EQ(result, Z_STREAM_END) << "entry data is not one complete deflate stream";
  return out;
}

}  // namespace

ArchiveLayout ReadLayout(const std::string& b) {
  ArchiveLayout layout;
  if (b.size() < 22 || U32(b, b.size() - 22) != 0x06054b50) {
    ADD_FAILURE() << "no end record in the last 22 bytes";
    return layout;
  }
  const size_t end = b.size() - 22;
  layout.ThisDisk = U16(b, end + 4);
  layout.CentralDisk = U16(b, end + 6);
  layout.RecordsOnDisk = U16(b, end + 8);
  layout.TotalRecords = U16(b, end + 10);
  layout.CentralSize = U32(b, end + 12);
  layout.CentralOffset = U32(b, end + 16);
  layout.CommentLength = U16(b, end + 20);
  size_t at = layout.CentralOffset;
  for (int i = 0; i < layout.TotalRecords; ++i) {
    if (at + 46 > end || U32(b, at) != 0x02014b50) {
      ADD_FAILURE() << "central header " << i << " missing at " << at;
      return layout;
    }
    LayoutEntry e;
    e.VersionMadeBy = U16(b, at + 4);
    e.VersionNeeded = U16(b, at + 6);
    e.Flags = U16(b, at + 8);
    e.Method = U16(b, at + 10);
    e.Time = U16(b, at + 12);
    e.Date = U16(b, at + 14);
    e.Crc = U32(b, at + 16);
    e.CompressedSize = U32(b, at + 20);
    e.UncompressedSize = U32(b, at + 24);
    uint16_t nameLength = U16(b, at + 28);
    e.ExtraLength = U16(b, at + 30);
    e.CommentLength = U16(b, at + 32);
    e.Disk = U16(b, at + 34);
    e.InternalAttr = U16(b, at + 36);
    e.ExternalAttr = U32(b, at + 38);
    e.Offset = U32(b, at + 42);
    e.Name = b.substr(at + 46, nameLength);
    at += 46 + nameLength + e.ExtraLength + e.CommentLength;

    size_t local = e.Offset;
    if (local + 30 > b.size() || U32(b, local) != 0x04034b50) {
      ADD_FAILURE() << "local header of " << e.Name << " missing at " << local;
      layout.Entries.push_back(e);
      continue;
    }
    e.LocalVersionNeeded = U16(b, local + 4);
    e.LocalFlags = U16(b, local + 6);
    e.LocalMethod = U16(b, local + 8);
    e.LocalTime = U16(b, local + 10);
    e.LocalDate = U16(b, local + 12);
    e.LocalCrc = U32(b, local + 14);
    e.LocalCompressedSize = U32(b, local + 18);
    e.LocalUncompressedSize = U32(b, local + 22);
    uint16_t localNameLength = U16(b, local + 26);
    e.LocalExtraLength = U16(b, local + 28);
    e.LocalName = b.substr(local + 30, localNameLength);
    size_t data = local + 30 + localNameLength + e.LocalExtraLength;
    e.CompressedData = b.substr(data, e.CompressedSize);
    e.Content = e.Method == 8 ? RawInflate(e.CompressedData, e.UncompressedSize) : e.CompressedData;
    layout.Entries.push_back(e);
  }
  EXPECT_EQ(at, end) << "central directory does not end at the end record";
  EXPECT_EQ(layout.CentralSize, end - layout.CentralOffset);
  return layout;
}

std::string RawDeflate(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, uLong(data.size())) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = uInt(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace vorlanth::testing
