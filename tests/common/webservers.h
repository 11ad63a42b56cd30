// The local HTTP and HTTPS servers of http_test_server.py, for tests that fetch URLs.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace vorlanth::testing {

// Starts the servers in a child process on 127.0.0.1 with ports the system picks, and stops
// them when destroyed. They serve `folder`/files/NAME at any path under /files/ whose last part
// is NAME, echo requests at /echo, and answer /redirect, /auth, /slow, /zeros and /truncated;
// certificates are made at start in `folder`/certs (ca.pem is the test CA).
class LocalWebServers {
 public:
  explicit LocalWebServers(const std::string& folder);
  ~LocalWebServers();
  LocalWebServers(const LocalWebServers&) = delete;
  LocalWebServers& operator=(const LocalWebServers&) = delete;

  // Empty when the servers run; otherwise why they do not, with the server's log.
  const std::string& Error() const { return FError; }
  // "http://127.0.0.1:PORT" for "http"; "https://127.0.0.1:PORT" for "good", "wrongname",
  // "expired" and "untrusted".
  std::string Base(const std::string& name) const;

  // Requests must reach the local servers directly, whatever proxy the machine names.
  static void ClearProxySettings();

 private:
  pid_t FPid = -1;
  std::string FError;
  std::map<std::string, int> FPorts;
};

}  // namespace vorlanth::testing
