// Archives built byte by byte, for the cases real tools never write: damaged or hostile ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlanth::testing {

// One entry. Unless overridden, the data is Content deflated (method 8) or as it is (any other
// method), and both headers carry its true CRC-32 and sizes.
struct CraftedEntry {
  std::string Name{};  // stored name bytes
  std::string Content{};
  uint16_t Method = 8;
  uint16_t Flags = 0;
  std::string LocalExtra{};
  std::string CentralExtra{};
  std::string Comment{};
  std::optional<std::string> Data{};  // the stored data bytes instead of Content's
  std::optional<uint32_t> Crc{};
  std::optional<uint32_t> CompressedSize{};
  std::optional<uint32_t> UncompressedSize{};
  std::optional<uint32_t> LocalCompressedSize{};  // the local header's alone
  std::optional<uint16_t> CentralFlags{};         // the central header's alone
  std::optional<uint32_t> Offset{};               // the central header's local header offset
  // Flag bit 3: zero CRC and sizes in the local header, a signed data descriptor after the data.
  bool DataDescriptor = false;
  uint16_t ModTime = 0x7424;  // 14:33:08
  uint16_t ModDate = 0x5863;  // 2024-03-03
  uint16_t InternalAttr = 0;
  uint32_t ExternalAttr = 32;
};

struct CraftedArchive {
  std::string Prefix{};  // bytes before the first local header, e.g. "PK00"
  std::vector<CraftedEntry> Entries{};
  std::optional<uint16_t> RecordedEntries{};  // the end record's counts
  std::string ArchiveComment{};

  std::string Build() const;
};

// Bare deflate data (no zlib header or trailer) at zlib's default level.
std::string Deflate(std::string_view data);

}  // namespace vorlanth::testing
