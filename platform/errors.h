// The exception types every layer raises: one base carrying the message the caller sees.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vorlanth {

// Base of every failure raised inside the system. The message is kept as UTF-8 (what())
// and handed out as UTF-16 text by Message().
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& utf8Message) : std::runtime_error(utf8Message) {}
  explicit Exception(std::u16string_view message);

  std::u16string Message() const;
};

// A file or stream operation failed; the message names the file and carries strerror's text.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

// A stream was used in a way it does not support (writing a read-only stream, a bad view).
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// A failed call into another automation object: carries that object's status and source so
// that the caller can pass them on unchanged.
class EOleError : public Exception {
 public:
  EOleError(int32_t errorCode, std::u16string_view message, std::u16string_view source = {});

  int32_t ErrorCode() const { return FErrorCode; }
  const std::u16string& Source() const { return FSource; }

 private:
  int32_t FErrorCode;
  std::u16string FSource;
};

// strerror's text for an errno value, as the system's own description of a failure.
std::string SystemErrorText(int errorNumber);

}  // namespace vorlanth
