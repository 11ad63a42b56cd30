// Path text helpers.
#include "platform/paths.h"

#include "platform/text.h"

namespace vorlanth {

std::string ToSystemPath(std::u16string_view path) {
  return ToUtf8(ReplaceAll(path, u'\\', u'/'));
}

std::u16string ExtractFileName(std::u16string_view path) {
  size_t i = path.size();
  while (i > 0 && !IsPathSeparator(path[i - 1]) && path[i - 1] != u':')
    --i;
  return std::u16string(path.substr(i));
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string joined(folder);
  if (!joined.empty() && !IsPathSeparator(joined.back())) joined += u'/';
  joined += name;
  return joined;
}

}  // namespace vorlanth
