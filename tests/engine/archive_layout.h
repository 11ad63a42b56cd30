// An independent reading of an archive's bytes for tests: found from the end record backwards,
// the way most tools read, so that it shares no code with the engine's own reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlanth::testing {

struct LayoutEntry {
  // Central header fields.
  std::string Name;  // raw bytes
  uint16_t VersionMadeBy = 0, VersionNeeded = 0, Flags = 0, Method = 0, Time = 0, Date = 0;
  uint32_t Crc = 0, CompressedSize = 0, UncompressedSize = 0;
  uint16_t ExtraLength = 0, CommentLength = 0, Disk = 0, InternalAttr = 0;
  uint32_t ExternalAttr = 0, Offset = 0;
  // The local header at Offset, and the entry's data behind it.
  uint16_t LocalVersionNeeded = 0, LocalFlags = 0, LocalMethod = 0, LocalTime = 0, LocalDate = 0;
  uint32_t LocalCrc = 0, LocalCompressedSize = 0, LocalUncompressedSize = 0;
  std::string LocalName;
  uint16_t LocalExtraLength = 0;
  std::string CompressedData;
  std::string Content;  // inflated
};

struct ArchiveLayout {
  uint16_t ThisDisk = 0, CentralDisk = 0, RecordsOnDisk = 0, TotalRecords = 0;
  uint32_t CentralSize = 0, CentralOffset = 0;
  uint16_t CommentLength = 0;
  std::vector<LayoutEntry> Entries;
};

// Reads an unspanned archive (possibly starting with a 4-byte marker); fails the current test
// (gtest ADD_FAILURE) on anything that does not parse, and returns what it got so far.
ArchiveLayout ReadLayout(const std::string& archive);

// Raw deflate of `data` with zlib's default level from a fresh stream.
std::string RawDeflate(const std::string& data);

}  // namespace vorlanth::testing
