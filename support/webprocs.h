// HTTP and HTTPS fetches into memory, and the URL helpers that go with them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/streams.h"
#include "platform/text.h"

namespace vorlanth {

enum class TRequestMethod : int32_t { rmGet = 0, rmPost = 1 };

// Fetches one resource over HTTP or HTTPS and hands back the final response.
//
// url: "http://" is assumed when it holds no "://"; the scheme may be spelt in any letter case.
//   A user name and password written in it are not used.
// userName, password: answer the server's authentication challenge (any scheme libcurl
//   offers); both empty offer none.
// userAgent: sent as "User-Agent: <agent>" when not empty (control characters become spaces,
//   so that the text cannot add header lines); empty sends no User-Agent line.
// body: emptied, then filled with the final response's body whatever its status, and left at
//   position 0.
// contentType: emptied, then set to the final response's Content-Type (empty when it has none).
// statusCode: the final response's status; 0 when a request was sent but no response arrived
//   (refused connection, time-out, TLS failure); untouched when no request could be made
//   (scheme other than http or https, URL that cannot be split, no host, libcurl unusable).
// timeoutSeconds: the connect time-out, and the receive time-out (no data for that long ends
//   the transfer); 0 or less keeps libcurl's defaults.
// noErrorDialog: there is no interactive error handler; every request is sent once.
// method: GET or POST; POST adds "Content-Type: application/x-www-form-urlencoded".
// formFields: name=value lines (name before the first "="), each side converted to the ANSI
//   code page and passed through UrlEncode, joined by "&"; sent as the request body (also for
//   GET, then without a Content-Type line). Empty: no body.
// decodeEscapes: handed to SplitUrl.
//
// Proxies come from the environment variables libcurl reads; HTTPS verifies the chain against
// the system's roots, or SSL_CERT_FILE / SSL_CERT_DIR when set, but accepts a certificate whose
// name does not match the host or whose validity dates are off. Redirects are followed, also
// between http and https, up to 30 of them.
//
// Returns true exactly when the final status is 200 and the whole body arrived; a body cut off
// in transit returns false with the status received. Network failures raise nothing; running
// out of memory while the body grows raises std::bad_alloc after the transfer is closed, with
// the body emptied.
bool WebRequest(std::u16string_view url, std::u16string_view userName, std::u16string_view password,
                std::u16string_view userAgent, MemoryStream& body, ZipString& contentType,
                int32_t& statusCode, int32_t timeoutSeconds, bool noErrorDialog,
                TRequestMethod method, std::span<const ZipString> formFields = {},
                bool decodeEscapes = false);

// Splits a URL into its parts; "http://" is put in front when the text holds no "://".
//
// scheme: the text before the first "://" (a letter, then letters, digits, "+", "-", "."), as
//   spelt. hostName: the host as written; an IPv6 literal without its brackets. userName,
//   password: the user information before the last "@" of the authority, split at its first
//   ":". path: from the "/" that ends the authority up to the first "?" or "#" (empty when the
//   URL has none). extra: the rest, beginning with "?" or "#". port: the one written (1 to
//   65535), else 80 for http and 443 for https in any letter case, else 0.
// decodeEscapes: percent escapes in the user name, password, path and extra become the
//   characters they stand for (a run of escapes read as UTF-8, else as the ANSI code page);
//   malformed escapes stay as written. Scheme, host and port are never decoded.
//
// Returns false, leaving every output as it was, when the scheme is not a scheme name, the port
// is not a number from 1 to 65535, a bracketed host is not closed or is followed by anything
// but a port, a host holds blanks, control characters or any of "[]\", or a part exceeds its
// capacity (scheme 32, host 256, user name and password 128, path and extra 2048 characters).
bool SplitUrl(std::u16string_view url, bool decodeEscapes, ZipString& scheme, ZipString& hostName,
              ZipString& path, ZipString& userName, ZipString& password, ZipString& extra,
              uint16_t& port);

// Form encoding of bytes, up to the first zero byte: letters, digits and ! $ ' ( ) * - . @ _
// pass unchanged, a space becomes "+", every other byte "%" and two upper-case hex digits.
// The result is ASCII, at most three times as long as the input.
std::string UrlEncode(std::string_view bytes);

// The file-name part of a URL: the text between the last "/" and a later last "?", else
// everything after the last "/" (all of it when there is no "/"). Empty for "http://host/dir/".
ZipString UrlFileName(std::u16string_view url);

}  // namespace vorlanth
