// Starting and stopping the local test servers.
#include "tests/common/webservers.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/common/testing.h"

extern char** environ;

namespace vorlanth::testing {

LocalWebServers::LocalWebServers(const std::string& folder) {
  const std::string script = SourcePath("tests/common/http_test_server.py");
  const std::string log = folder + "/server.log";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string python = "/usr/bin/python3";
  std::vector<char*> argv = {python.data(), const_cast<char*>(script.c_str()),
                             const_cast<char*>(folder.c_str()), nullptr};
  const int spawned = posix_spawn(&FPid, python.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    FPid = -1;
    FError = "cannot start " + python + ": " + std::to_string(spawned);
    return;
  }
  // Certificates and servers take a moment; never wait without limit.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!FileExists(folder + "/ports")) {
    int status = 0;
    if (waitpid(FPid, &status, WNOHANG) == FPid) {
      FPid = -1;
      FError = "the test server exited:\n" + ReadFile(log);
      return;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      FError = "the test server did not start within 60 seconds:\n" + ReadFile(log);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::istringstream lines(ReadFile(folder + "/ports"));
  std::string name;
  int port = 0;
  while (lines >> name >> port)
    FPorts[name] = port;
}

LocalWebServers::~LocalWebServers() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  int status = 0;
  waitpid(FPid, &status, 0);
}

std::string LocalWebServers::Base(const std::string& name) const {
  const auto found = FPorts.find(name);
  const int port = found == FPorts.end() ? 1 : found->second;
  return (name == "http" ? "http://127.0.0.1:" : "https://127.0.0.1:") + std::to_string(port);
}

void LocalWebServers::ClearProxySettings() {
  for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY",
                           "all_proxy", "no_proxy", "NO_PROXY", "SSL_CERT_DIR"})
    unsetenv(name);
}

}  // namespace vorlanth::testing
