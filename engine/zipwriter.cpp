// TZipWriter: the source lists, the settings and how sources become stored names.
#include "engine/zipwriter.h"

#include <algorithm>

#include "engine/deflater.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/webprocs.h"

namespace vorlanth {

TZipWriter::TZipWriter() = default;
TZipWriter::~TZipWriter() = default;

void TZipWriter::SetPathRoot(const ZipString& value) {
  ZipString root = ReplaceAll(value, u'/', u'\\');
  if (root.size() > 1) {
    if (root.front() == u'\\') root.erase(0, 1);
    if (root.empty() || root.back() != u'\\') root += u'\\';
  }
  FPathRoot = root;
}

bool IsUrlSource(const ZipString& source) {
  return StartsWithAsciiNoCase(source, u"HTTP://") || StartsWithAsciiNoCase(source, u"HTTPS://");
}

bool IsDirectorySource(const ZipString& source) {
  return !source.empty() && IsPathSeparator(source.back());
}

ZipString TZipWriter::NameSource(size_t index) const {
  if (index < FAltFileList.size()) return FAltFileList[index];
  const ZipString& source = FFileList[index];
  return IsUrlSource(source) ? UrlFileName(source) : source;
}

ZipString TZipWriter::StoredName(const ZipString& nameSource) const {
  ZipString name = ReplaceAll(nameSource, u'/', u'\\');
  if (FKeepDirInfo) {
    // The drive part goes with the separator after it: "C:\", "\\server\share\", or the root
    // "\" of an absolute POSIX path, which plays the part of a drive here.
    if (name.size() >= 2 && name[1] == u':') {
      name.erase(0, name.size() > 2 && name[2] == u'\\' ? 3 : 2);
    } else if (name.starts_with(u"\\\\")) {
      size_t server = name.find(u'\\', 2);
      size_t share = server == ZipString::npos ? server : name.find(u'\\', server + 1);
      name.erase(0, share == ZipString::npos ? name.size() : share + 1);
    } else if (name.starts_with(u'\\')) {
      name.erase(0, 1);
    }
    if (!FPathRoot.empty() && StartsWithAsciiNoCase(name, FPathRoot)) {
      name.erase(0, FPathRoot.size());
    }
  } else {
    size_t i = name.size();
    while (i > 0 && name[i - 1] != u'\\' && name[i - 1] != u':')
      --i;
    name.erase(0, i);
  }
  return ReplaceAll(name, u'\\', u'/');
}

void TZipWriter::CheckUTF8FileNames() {
  FUTF8FileNames = false;
  for (size_t i = 0; i < FFileList.size() && !FUTF8FileNames; ++i) {
    FUTF8FileNames = !IsAscii(NameSource(i));
  }
}

int32_t TZipWriter::AddZipDirectory(const ZipString& DirPath) {
  // An empty path would otherwise become "\", the root of the whole file system.
  if (DirPath.empty()) return 0;
  ZipString directory = ReplaceAll(DirPath, u'/', u'\\');
  if (directory.back() != u'\\') directory += u'\\';
  int32_t count = 0;
  std::vector<FileIdentity> ancestors;
  ScanDirectory(directory, count, ancestors);
  return count;
}

void TZipWriter::ScanDirectory(const ZipString& directory, int32_t& count,
                               std::vector<FileIdentity>& ancestors) {
  std::optional<FileIdentity> identity = GetFileIdentity(directory);
  if (!identity || !DirectoryExists(directory)) return;
  // A link back to a directory being scanned would repeat the tree until paths grew too long.
  if (std::find(ancestors.begin(), ancestors.end(), *identity) != ancestors.end()) return;
  ancestors.push_back(*identity);

  bool empty = true;
  for (const DirectoryEntry& entry : ListDirectory(directory)) {
    empty = false;
    if (entry.IsDirectory) {
      ScanDirectory(directory + entry.Name + u'\\', count, ancestors);
    } else {
      FFileList.push_back(directory + entry.Name);
      ++count;
    }
  }
  if (empty && FKeepDirInfo) {
    FFileList.push_back(directory);
    ++count;
  }
  ancestors.pop_back();
}

}  // namespace vorlanth
