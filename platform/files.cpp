// File-system queries and moves on POSIX, in the terms the engine uses.
#include "platform/files.h"

#include <dirent.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "platform/paths.h"
#include "platform/text.h"

namespace vorlanth {

namespace {

bool StatPath(std::u16string_view path, struct stat& info) {
  return !path.empty() && ::stat(ToSystemPath(path).c_str(), &info) == 0;
}

// Simple Unicode upper-casing for BMP characters, independent of the process's locale.
char16_t FoldCase(char16_t c) {
  if (c < 0x80) return UpperAscii(c);
  static const locale_t kUtf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  if (kUtf8 == locale_t(0) || (c >= 0xD800 && c <= 0xDFFF)) return c;
  wint_t upper = towupper_l(wint_t(c), kUtf8);
  return upper <= 0xFFFF ? char16_t(upper) : c;
}

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;

}  // namespace

std::optional<uint32_t> GetFileAttributes(std::u16string_view path) {
  struct stat info {};
  if (!StatPath(path, info)) return std::nullopt;
  uint32_t attributes = S_ISDIR(info.st_mode) ? faDirectory : faArchive;
  if ((info.st_mode & S_IWUSR) == 0) attributes |= faReadOnly;
  std::u16string name = ExtractFileName(path);
  if (name.empty() && path.size() > 1) {
    // "dir/" names its last component before the trailing separator.
    std::u16string_view trimmed = path.substr(0, path.size() - 1);
    name = ExtractFileName(trimmed);
  }
  if (!name.empty() && name[0] == u'.' && name != u"." && name != u"..") attributes |= faHidden;
  return attributes;
}

bool IsExistingFile(std::u16string_view path) {
  struct stat info {};
  return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(std::u16string_view path) {
  struct stat info {};
  return StatPath(path, info) && S_ISDIR(info.st_mode);
}

DosDateTime ToDosDateTime(std::time_t utcSeconds) {
  struct tm t {};
  if (gmtime_r(&utcSeconds, &t) == nullptr || t.tm_year + 1900 < kFirstDosYear) {
    return DosDateTime{0, uint16_t(1 << 5 | 1)};  // 1980-01-01 00:00:00
  }
  if (t.tm_year + 1900 > kLastDosYear) {
    return DosDateTime{uint16_t(23 << 11 | 59 << 5 | 29),
                       uint16_t((kLastDosYear - kFirstDosYear) << 9 | 12 << 5 | 31)};
  }
  DosDateTime dos;
  dos.Time = uint16_t(t.tm_hour << 11 | t.tm_min << 5 | std::min(t.tm_sec, 59) / 2);
  dos.Date = uint16_t((t.tm_year + 1900 - kFirstDosYear) << 9 | (t.tm_mon + 1) << 5 | t.tm_mday);
  return dos;
}

DosDateTime CurrentDosDateTime() {
  return ToDosDateTime(std::time(nullptr));
}

std::time_t FromDosDateTime(DosDateTime value) {
  struct tm t {};
  t.tm_year = (value.Date >> 9) + kFirstDosYear - 1900;
  t.tm_mon = ((value.Date >> 5) & 15) - 1;
  t.tm_mday = value.Date & 31;
  t.tm_hour = value.Time >> 11;
  t.tm_min = (value.Time >> 5) & 63;
  t.tm_sec = (value.Time & 31) * 2;
  return timegm(&t);
}

void GetFileDosDateTime(std::u16string_view path, uint16_t& time, uint16_t& date) {
  struct stat info {};
  DosDateTime dos = StatPath(path, info) && !S_ISDIR(info.st_mode) ? ToDosDateTime(info.st_mtime)
                                                                   : CurrentDosDateTime();
  time = dos.Time;
  date = dos.Date;
}

bool NameLessNoCase(std::u16string_view a, std::u16string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t fa = FoldCase(a[i]);
    char16_t fb = FoldCase(b[i]);
    if (fa != fb) return fa < fb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::vector<DirectoryEntry> ListDirectory(std::u16string_view directory) {
  std::vector<DirectoryEntry> entries;
  const std::string systemDirectory = ToSystemPath(directory.empty() ? u"." : directory);
  DIR* handle = ::opendir(systemDirectory.c_str());
  if (handle == nullptr) return entries;
  while (const dirent* item = ::readdir(handle)) {
    std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    DirectoryEntry entry;
    entry.Name = FromUtf8(name);
    struct stat info {};
    std::string full = systemDirectory + (systemDirectory.ends_with('/') ? "" : "/") + item->d_name;
    if (::stat(full.c_str(), &info) == 0) {
      entry.IsDirectory = S_ISDIR(info.st_mode);
      entry.Size = info.st_size;
      entry.Modified = info.st_mtime;
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(handle);
  std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    return NameLessNoCase(a.Name, b.Name);
  });
  return entries;
}

std::optional<FileIdentity> GetFileIdentity(std::u16string_view path) {
  struct stat info {};
  if (!StatPath(path, info)) return std::nullopt;
  return FileIdentity{uint64_t(info.st_dev), uint64_t(info.st_ino)};
}

bool DeleteFile(std::u16string_view path) {
  return ::unlink(ToSystemPath(path).c_str()) == 0;
}

bool RenameFile(std::u16string_view from, std::u16string_view to) {
  return ::rename(ToSystemPath(from).c_str(), ToSystemPath(to).c_str()) == 0;
}

bool ForceDirectories(std::u16string_view path) {
  std::string systemPath = ToSystemPath(path);
  while (systemPath.size() > 1 && systemPath.ends_with('/'))
    systemPath.pop_back();
  if (systemPath.empty()) return false;
  for (size_t i = 1; i <= systemPath.size(); ++i) {
    if (i != systemPath.size() && systemPath[i] != '/') continue;
    std::string prefix = systemPath.substr(0, i);
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return DirectoryExists(path);
}

std::u16string UniqueSiblingName(std::u16string_view path) {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  for (;;) {
    std::u16string candidate(path);
    candidate += u".";
    uint64_t token = generator();
    for (int i = 0; i < 8; ++i, token >>= 4)
      candidate += u"0123456789abcdef"[token & 15];
    candidate += u".tmp";
    struct stat info {};
    if (!StatPath(candidate, info)) return candidate;
  }
}

}  // namespace vorlanth
