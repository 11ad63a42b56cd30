// HTTP and HTTPS fetches on libcurl with OpenSSL, URL splitting and form encoding.
#include "support/webprocs.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <optional>

namespace vorlanth {
namespace {

constexpr size_t kSchemeCapacity = 32;
constexpr size_t kHostCapacity = 256;
constexpr size_t kUserCapacity = 128;
constexpr size_t kPasswordCapacity = 128;
constexpr size_t kPathCapacity = 2048;
constexpr size_t kExtraCapacity = 2048;

constexpr long kChunkSize = 40960;
constexpr long kMaxRedirects = 30;

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsAsciiLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool IsAsciiDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

int HexValue(char16_t c) {
  if (IsAsciiDigit(c)) return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

bool IsSchemeName(std::u16string_view text) {
  if (text.empty() || !IsAsciiLetter(text[0])) return false;
  for (char16_t c : text)
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != u'+' && c != u'-' && c != u'.') return false;
  return true;
}

// A host between brackets: an IPv6 address, perhaps with a zone ("%25eth0").
bool IsBracketedHost(std::u16string_view text) {
  if (text.find(u':') == std::u16string_view::npos) return false;
  for (char16_t c : text)
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) &&
        std::u16string_view(u":.%_~-").find(c) == std::u16string_view::npos)
      return false;
  return true;
}

// A host without brackets holds none of the characters that would break the URL handed to
// libcurl: blanks, control characters, brackets, backslashes.
bool IsPlainHost(std::u16string_view text) {
  for (char16_t c : text)
    if (c <= u' ' || c == 0x7F || c == u'[' || c == u']' || c == u'\\') return false;
  return true;
}

std::optional<uint16_t> ParsePort(std::u16string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  uint32_t value = 0;
  for (char16_t c : digits) {
    if (!IsAsciiDigit(c)) return std::nullopt;
    value = value * 10 + uint32_t(c - u'0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return uint16_t(value);
}

uint16_t DefaultPort(std::u16string_view scheme) {
  if (EqualsAsciiNoCase(scheme, u"http")) return 80;
  if (EqualsAsciiNoCase(scheme, u"https")) return 443;
  return 0;
}

// Each run of escapes is one byte string: UTF-8 when it is well-formed, else ANSI.
ZipString DecodeEscapes(std::u16string_view text) {
  ZipString decoded;
  size_t i = 0;
  while (i < text.size()) {
    std::string bytes;
    while (i + 2 < text.size() && text[i] == u'%' && HexValue(text[i + 1]) >= 0 &&
           HexValue(text[i + 2]) >= 0) {
      bytes.push_back(char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 3;
    }
    if (bytes.empty()) {
      decoded.push_back(text[i++]);
      continue;
    }
    const std::optional<std::u16string> utf8 = DecodeUtf8Strict(bytes);
    decoded += utf8 ? *utf8 : FromAnsi(bytes);
  }
  return decoded;
}

}  // namespace

bool SplitUrl(std::u16string_view url, bool decodeEscapes, ZipString& scheme, ZipString& hostName,
              ZipString& path, ZipString& userName, ZipString& password, ZipString& extra,
              uint16_t& port) {
  const ZipString full =
      url.find(u"://") == std::u16string_view::npos ? u"http://" + ZipString(url) : ZipString(url);
  const std::u16string_view text(full);
  const size_t schemeEnd = text.find(u"://");
  const std::u16string_view schemePart = text.substr(0, schemeEnd);
  if (!IsSchemeName(schemePart)) return false;

  const size_t authorityStart = schemeEnd + 3;
  const size_t authorityEnd = std::min(text.find_first_of(u"/?#", authorityStart), text.size());
  std::u16string_view authority = text.substr(authorityStart, authorityEnd - authorityStart);
  const std::u16string_view rest = text.substr(authorityEnd);

  std::u16string_view userInfo;
  const size_t at = authority.rfind(u'@');
  if (at != std::u16string_view::npos) {
    userInfo = authority.substr(0, at);
    authority.remove_prefix(at + 1);
  }
  const size_t colon = userInfo.find(u':');
  std::u16string_view userPart = userInfo.substr(0, colon);
  std::u16string_view passwordPart =
      colon == std::u16string_view::npos ? std::u16string_view() : userInfo.substr(colon + 1);

  std::u16string_view hostPart;
  std::optional<std::u16string_view> portPart;
  if (!authority.empty() && authority[0] == u'[') {
    const size_t close = authority.find(u']');
    if (close == std::u16string_view::npos) return false;
    hostPart = authority.substr(1, close - 1);
    const std::u16string_view after = authority.substr(close + 1);
    if (!after.empty() && after[0] != u':') return false;
    if (!after.empty()) portPart = after.substr(1);
    if (!IsBracketedHost(hostPart)) return false;
  } else {
    const size_t portColon = authority.find(u':');
    hostPart = authority.substr(0, portColon);
    if (portColon != std::u16string_view::npos) portPart = authority.substr(portColon + 1);
    if (!IsPlainHost(hostPart)) return false;
  }
  uint16_t portValue = DefaultPort(schemePart);
  if (portPart && !portPart->empty()) {
    const std::optional<uint16_t> written = ParsePort(*portPart);
    if (!written) return false;
    portValue = *written;
  }

  const size_t pathEnd = std::min(rest.find_first_of(u"?#"), rest.size());
  auto part = [decodeEscapes](std::u16string_view raw) {
    return decodeEscapes ? DecodeEscapes(raw) : ZipString(raw);
  };
  ZipString newUser = part(userPart);
  ZipString newPassword = part(passwordPart);
  ZipString newPath = part(rest.substr(0, pathEnd));
  ZipString newExtra = part(rest.substr(pathEnd));
  if (schemePart.size() > kSchemeCapacity || hostPart.size() > kHostCapacity ||
      newUser.size() > kUserCapacity || newPassword.size() > kPasswordCapacity ||
      newPath.size() > kPathCapacity || newExtra.size() > kExtraCapacity)
    return false;

  scheme = ZipString(schemePart);
  hostName = ZipString(hostPart);
  path = std::move(newPath);
  userName = std::move(newUser);
  password = std::move(newPassword);
  extra = std::move(newExtra);
  port = portValue;
  return true;
}

std::string UrlEncode(std::string_view bytes) {
  static constexpr std::string_view kUnchanged = "!$'()*-.@_";
  std::string encoded;
  encoded.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) break;
    if (IsAsciiLetter(c) || IsAsciiDigit(c) || kUnchanged.find(c) != std::string_view::npos) {
      encoded.push_back(c);
    } else if (b == ' ') {
      encoded.push_back('+');
    } else {
      encoded.push_back('%');
      encoded.push_back(kHexDigits[b >> 4]);
      encoded.push_back(kHexDigits[b & 15]);
    }
  }
  return encoded;
}

ZipString UrlFileName(std::u16string_view url) {
  const size_t slash = url.rfind(u'/');
  const size_t question = url.rfind(u'?');
  const size_t start = slash == std::u16string_view::npos ? 0 : slash + 1;
  if (question != std::u16string_view::npos &&
      (slash == std::u16string_view::npos || question > slash))
    return ZipString(url.substr(start, question - start));
  return ZipString(url.substr(start));
}

namespace {

struct TEasyHandleDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using TEasyHandle = std::unique_ptr<CURL, TEasyHandleDeleter>;

struct THeaderListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using THeaderList = std::unique_ptr<curl_slist, THeaderListDeleter>;

void AppendHeader(THeaderList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) throw std::bad_alloc();
  if (!list) list.reset(grown);  // a list that had nodes keeps its first one
}

// libcurl's process-wide state, set up by the first request of the process.
class TLibcurl {
 public:
  TLibcurl() : FReady(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~TLibcurl() {
    if (FReady) curl_global_cleanup();
  }
  TLibcurl(const TLibcurl&) = delete;
  TLibcurl& operator=(const TLibcurl&) = delete;

  bool Ready() const { return FReady; }

 private:
  bool FReady;
};

bool LibcurlReady() {
  static const TLibcurl library;
  return library.Ready();
}

// Applies options one after the other; the first one libcurl refuses stops the rest.
class TOptions {
 public:
  explicit TOptions(CURL* handle) : FHandle(handle) {}

  template <typename Value>
  TOptions& Set(CURLoption option, Value value) {
    if (FOk) FOk = curl_easy_setopt(FHandle, option, value) == CURLE_OK;
    return *this;
  }
  bool Ok() const { return FOk; }

 private:
  CURL* FHandle;
  bool FOk = true;
};

// Where the write callback puts the body, and the exception it must not let through libcurl.
struct TBodySink {
  MemoryStream* Body;
  std::exception_ptr Failure;
};

size_t AppendBody(char* data, size_t size, size_t count, void* context) noexcept {
  auto& sink = *static_cast<TBodySink*>(context);
  const size_t bytes = size * count;
  try {
    sink.Body->WriteBuffer(data, int64_t(bytes));
    return bytes;
  } catch (...) {
    sink.Failure = std::current_exception();
    return 0;  // anything short of bytes aborts the transfer
  }
}

// Certificates whose validity dates are off pass; every other verdict stands. The error is
// cleared too, because libcurl checks the verify result again after the handshake.
int AcceptOutdatedCertificates(int ok, X509_STORE_CTX* store) {
  const int error = X509_STORE_CTX_get_error(store);
  if (error == X509_V_ERR_CERT_HAS_EXPIRED || error == X509_V_ERR_CERT_NOT_YET_VALID) {
    X509_STORE_CTX_set_error(store, X509_V_OK);
    return 1;
  }
  return ok;
}

// libcurl calls this for each TLS context it makes; our verdict replaces OpenSSL's own.
CURLcode SetCertificateCheck(CURL*, void* sslContext, void*) noexcept {
  SSL_CTX_set_verify(static_cast<SSL_CTX*>(sslContext), SSL_VERIFY_PEER,
                     AcceptOutdatedCertificates);
  return CURLE_OK;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// A header value in UTF-8 with control characters turned into spaces, so that it stays one line.
std::string HeaderValue(std::u16string_view text) {
  ZipString clean(text);
  for (char16_t& c : clean)
    if (c < u' ' || c == 0x7F) c = u' ';
  return ToUtf8(clean);
}

std::string FormBody(std::span<const ZipString> formFields) {
  std::string body;
  for (size_t i = 0; i < formFields.size(); ++i) {
    const std::u16string_view line = formFields[i];
    const size_t equals = line.find(u'=');
    const std::u16string_view name = line.substr(0, equals);
    const std::u16string_view value =
        equals == std::u16string_view::npos ? std::u16string_view() : line.substr(equals + 1);
    if (i > 0) body.push_back('&');
    body += UrlEncode(ToAnsi(name));
    body.push_back('=');
    body += UrlEncode(ToAnsi(value));
  }
  return body;
}

// UTF-8 with the bytes a request line cannot carry escaped, plus those in `alsoEscaped`.
void AppendEscaped(std::string& url, std::u16string_view text, std::string_view alsoEscaped) {
  for (const char c : ToUtf8(text)) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F || alsoEscaped.find(c) != std::string_view::npos) {
      url.push_back('%');
      url.push_back(kHexDigits[b >> 4]);
      url.push_back(kHexDigits[b & 15]);
    } else {
      url.push_back(c);
    }
  }
}

// The URL libcurl fetches: scheme in lower case, no user information, port always written.
// A "?" or "#" that decoding put into the path stays part of the path.
std::string RequestUrl(bool secure, std::u16string_view host, uint16_t port,
                       std::u16string_view path, std::u16string_view extra) {
  std::string url = secure ? "https://" : "http://";
  const bool literal = host.find(u':') != std::u16string_view::npos;
  if (literal) url.push_back('[');
  url += ToUtf8(host);
  if (literal) url.push_back(']');
  url += ":" + std::to_string(port);
  AppendEscaped(url, path.empty() ? std::u16string_view(u"/") : path, "?#");
  AppendEscaped(url, extra, "");
  return url;
}

}  // namespace

bool WebRequest(std::u16string_view url, std::u16string_view userName, std::u16string_view password,
                std::u16string_view userAgent, MemoryStream& body, ZipString& contentType,
                int32_t& statusCode, int32_t timeoutSeconds, bool /*noErrorDialog*/,
                TRequestMethod method, std::span<const ZipString> formFields, bool decodeEscapes) {
  contentType.clear();
  body.Clear();

  // A failed split leaves the parts empty, and an empty scheme is refused below.
  ZipString scheme, host, path, urlUser, urlPassword, extra;
  uint16_t port = 0;
  SplitUrl(url, decodeEscapes, scheme, host, path, urlUser, urlPassword, extra, port);
  const bool secure = EqualsAsciiNoCase(scheme, u"https");
  if (!secure && !EqualsAsciiNoCase(scheme, u"http")) return false;
  if (host.empty() || !LibcurlReady()) return false;

  const bool post = method == TRequestMethod::rmPost;
  const std::string requestUrl = RequestUrl(secure, host, port, path, extra);
  const std::string formBody = FormBody(formFields);
  const std::string user = ToUtf8(userName);
  const std::string secret = ToUtf8(password);
  const std::string caFile = Environment("SSL_CERT_FILE");
  const std::string caDirectory = Environment("SSL_CERT_DIR");

  THeaderList headers;
  if (!userAgent.empty()) AppendHeader(headers, "User-Agent: " + HeaderValue(userAgent));
  if (post) {
    AppendHeader(headers, "Content-Type: application/x-www-form-urlencoded");
  } else if (!formBody.empty()) {
    AppendHeader(headers, "Content-Type:");  // libcurl's own form type is for POST only
  }
  if (post || !formBody.empty()) AppendHeader(headers, "Expect:");  // send the body at once

  TBodySink sink{&body, nullptr};
  TEasyHandle handle(curl_easy_init());
  if (!handle) return false;
  TOptions options(handle.get());
  options.Set(CURLOPT_URL, requestUrl.c_str())
      .Set(CURLOPT_PROTOCOLS_STR, "http,https")
      .Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https")
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_FOLLOWLOCATION, 1L)
      .Set(CURLOPT_MAXREDIRS, kMaxRedirects)
      .Set(CURLOPT_COOKIEFILE, "")  // cookies live for this call's redirects only
      .Set(CURLOPT_BUFFERSIZE, kChunkSize)
      .Set(CURLOPT_WRITEFUNCTION, static_cast<curl_write_callback>(AppendBody))
      .Set(CURLOPT_WRITEDATA, static_cast<void*>(&sink))
      .Set(CURLOPT_SSL_VERIFYPEER, 1L)
      .Set(CURLOPT_SSL_VERIFYHOST, 0L)
      .Set(CURLOPT_SSL_CTX_FUNCTION, static_cast<curl_ssl_ctx_callback>(SetCertificateCheck));
  if (headers) options.Set(CURLOPT_HTTPHEADER, headers.get());
  if (post || !formBody.empty()) {
    if (!post) options.Set(CURLOPT_CUSTOMREQUEST, "GET");
    options.Set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(formBody.size()))
        .Set(CURLOPT_POSTFIELDS, formBody.c_str());
  }
  if (!user.empty() || !secret.empty()) {
    options.Set(CURLOPT_HTTPAUTH, static_cast<unsigned long>(CURLAUTH_ANY))
        .Set(CURLOPT_USERNAME, user.c_str())
        .Set(CURLOPT_PASSWORD, secret.c_str());
  }
  if (timeoutSeconds > 0) {
    options.Set(CURLOPT_CONNECTTIMEOUT, long(timeoutSeconds))
        .Set(CURLOPT_LOW_SPEED_LIMIT, 1L)
        .Set(CURLOPT_LOW_SPEED_TIME, long(timeoutSeconds));
  }
  if (!caFile.empty()) options.Set(CURLOPT_CAINFO, caFile.c_str());
  if (!caDirectory.empty()) options.Set(CURLOPT_CAPATH, caDirectory.c_str());
  if (!options.Ok()) return false;

  const CURLcode outcome = curl_easy_perform(handle.get());
  long status = 0;
  const char* receivedType = nullptr;
  if (curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) status = 0;
  if (curl_easy_getinfo(handle.get(), CURLINFO_CONTENT_TYPE, &receivedType) != CURLE_OK)
    receivedType = nullptr;
  ZipString type = receivedType == nullptr ? ZipString() : FromUtf8(receivedType);
  handle.reset();
  if (sink.Failure) {
    body.Clear();
    std::rethrow_exception(sink.Failure);
  }

  body.SetPosition(0);
  contentType = std::move(type);
  statusCode = int32_t(status);
  return status == 200 && outcome == CURLE_OK;
}

}  // namespace vorlanth
