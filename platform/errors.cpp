// Exception helpers shared by every layer.
#include "platform/errors.h"

#include <cstring>

#include "platform/text.h"

namespace vorlanth {

Exception::Exception(std::u16string_view message) : std::runtime_error(ToUtf8(message)) {}

std::u16string Exception::Message() const {
  return FromUtf8(what());
}

EOleError::EOleError(int32_t errorCode, std::u16string_view message, std::u16string_view source)
    : Exception(message), FErrorCode(errorCode), FSource(source) {}

std::string SystemErrorText(int errorNumber) {
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
  return text;
}

}  // namespace vorlanth
