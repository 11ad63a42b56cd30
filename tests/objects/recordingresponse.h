// A Response for tests that records every call in order and can be told to fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "objects/aspobject.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace vorlanth::testing {

// Records each call as one event; the call that would record event FailAt fails instead, as
// a host reports a failure.
class RecordingResponse : public IResponse {
 public:
  void SetContentType(const ZipString& value) override { Record("ContentType " + ToUtf8(value)); }
  void AddHeader(const ZipString& name, const ZipString& value) override {
    Record("Header " + ToUtf8(name) + ": " + ToUtf8(value));
    Headers[ToUtf8(name)] = ToUtf8(value);
  }
  void BinaryWrite(std::span<const uint8_t> bytes) override {
    Record("BinaryWrite " + std::to_string(bytes.size()));
    Body.append(bytes.begin(), bytes.end());
  }
  bool Buffer() override { return true; }
  void Flush() override { Record("Flush"); }
  bool IsClientConnected() override { return true; }

  static constexpr int32_t kFailureCode = int32_t(0x80004005);

  size_t FailAt = SIZE_MAX;
  std::vector<std::string> Events;
  std::map<std::string, std::string> Headers;
  std::string Body;

 private:
  void Record(std::string event) {
    if (Events.size() == FailAt) {
      throw EOleError(kFailureCode, u"The client went away", u"Response object");
    }
    Events.push_back(std::move(event));
  }
};

}  // namespace vorlanth::testing
