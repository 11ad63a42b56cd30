// Test helpers: scratch folders, small file utilities and the real tools that judge our archives.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlanth::testing {

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return FPath; }
  // Path of `name` inside the folder (nothing is created).
  std::string operator/(std::string_view name) const;

 private:
  std::string FPath;
};

// Writes a file, creating its missing parent folders.
void WriteFile(const std::string& path, std::string_view content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Names in a folder, sorted byte-wise.
std::vector<std::string> ListNames(const std::string& folder);

// The message of the E that `action` raises; "(no exception)" when it raises none.
template <class E>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& error) {
    return error.what();
  }
  return "(no exception)";
}

// Deterministic bytes: text-like or incompressible, for sources of known content.
std::string PseudoRandomBytes(size_t size, uint32_t seed);
std::string TextLines(size_t size, uint32_t seed);

uint32_t Crc32(std::string_view data);

struct CommandResult {
  int ExitCode = -1;
  std::string Output;  // stdout and stderr together
};
// Runs a shell command line and captures its output.
CommandResult RunCommand(const std::string& commandLine);
std::string ShellQuote(std::string_view text);

// The command-line tool built beside the tests.
std::string CliPath();
// A file of the repository's source tree.
std::string SourcePath(std::string_view relative);

struct ExpectedEntry {
  std::string Name;     // stored name, UTF-8
  std::string Content;  // uncompressed bytes
};

// Each check records a test failure (with the tool's output) when the tool rejects the archive.
void ExpectUnzipAccepts(const std::string& archive);
void Expect7zAccepts(const std::string& archive);
// Python's zipfile: testzip() finds nothing, and names, sizes and CRCs equal `entries` in order.
void ExpectPythonReads(const std::string& archive, const std::vector<ExpectedEntry>& entries);
// All three of the above.
void ExpectToolsAccept(const std::string& archive, const std::vector<ExpectedEntry>& entries);

}  // namespace vorlanth::testing
