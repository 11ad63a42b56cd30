// Path text: "/" and "\" both separate, and every "\" becomes "/" at the system-call boundary.
#pragma once

#include <string>
#include <string_view>

namespace vorlanth {

inline bool IsPathSeparator(char16_t c) {
  return c == u'/' || c == u'\\';
}

// The path as the system calls take it: UTF-8, every "\" turned into "/".
std::string ToSystemPath(std::u16string_view path);

// The part after the last separator or ":" (all of it when there is none).
std::u16string ExtractFileName(std::u16string_view path);

// Joins a folder and a name with one "/" between them.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

}  // namespace vorlanth
