// The file system as the engine expects it: attributes, DOS times, sorted listings, file moves.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlanth {

// File attributes in their Windows values, as central directory headers carry them.
constexpr uint32_t faReadOnly = 1;
constexpr uint32_t faHidden = 2;
constexpr uint32_t faDirectory = 16;
constexpr uint32_t faArchive = 32;

// Attributes of an existing path (links followed): directory 16 or regular file 32, plus
// read-only 1 when the owner may not write it and hidden 2 when its name begins with ".".
// nullopt when the path cannot be queried.
std::optional<uint32_t> GetFileAttributes(std::u16string_view path);

// The path exists (links followed) and is not a directory.
bool IsExistingFile(std::u16string_view path);
bool DirectoryExists(std::u16string_view path);

struct DosDateTime {
  uint16_t Time = 0;
  uint16_t Date = 0;
};

// A UTC time as DOS words; times outside 1980-01-01 00:00:00 .. 2107-12-31 23:59:58 are
// clamped to those bounds. Odd seconds round down.
DosDateTime ToDosDateTime(std::time_t utcSeconds);
DosDateTime CurrentDosDateTime();
// The UTC time DOS words stand for (seconds since the epoch).
std::time_t FromDosDateTime(DosDateTime value);

// Last-write time of a path that can be opened as a file; the current time for a directory,
// a missing path or one that cannot be opened.
void GetFileDosDateTime(std::u16string_view path, uint16_t& time, uint16_t& date);

struct DirectoryEntry {
  std::u16string Name;
  bool IsDirectory = false;  // links followed
  int64_t Size = 0;
  std::time_t Modified = 0;
};

// The entries of a directory without "." and "..", sorted ascending without regard to case
// (equal folds keep byte order), so that listings are the same on every run. Empty when the
// directory cannot be read.
std::vector<DirectoryEntry> ListDirectory(std::u16string_view directory);

// Ordering used by ListDirectory: names compared character by character after case folding.
bool NameLessNoCase(std::u16string_view a, std::u16string_view b);

// Identity of the file or directory a path leads to (links followed), to notice cycles.
struct FileIdentity {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> GetFileIdentity(std::u16string_view path);

// Each returns false and leaves errno set when the system refuses.
bool DeleteFile(std::u16string_view path);
bool RenameFile(std::u16string_view from, std::u16string_view to);  // replaces `to`
// Creates a directory and every missing parent; true when it exists afterwards.
bool ForceDirectories(std::u16string_view path);

// A file name beside `path` that no other file has yet, for building a replacement safely.
std::u16string UniqueSiblingName(std::u16string_view path);

}  // namespace vorlanth
