// Test helpers shared by every suite.
#include "tests/common/testing.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorlanth::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "vorlanth-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FPath = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-only files behind; make them removable first.
  for (auto it = fs::recursive_directory_iterator(FPath, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(FPath, ignored);
}

std::string TempDir::operator/(std::string_view name) const {
  return FPath + "/" + std::string(name);
}

void WriteFile(const std::string& path, std::string_view content) {
  fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), std::streamsize(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool FileExists(const std::string& path) {
  return fs::exists(fs::symlink_status(path));
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::string PseudoRandomBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& b : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = char(state >> 24);
  }
  return bytes;
}

std::string TextLines(size_t size, uint32_t seed) {
  static constexpr std::array<const char*, 8> kWords = {
      "archive ", "volume ", "entry ", "deflate ", "header ", "central ", "record ", "stream "};
  std::string text;
  uint32_t state = seed + 7;
  while (text.size() < size) {
    state = state * 1103515245u + 12345u;
    text += kWords[(state >> 16) % kWords.size()];
    if ((state >> 8) % 9 == 0) text += "\r\n";
  }
  text.resize(size);
  return text;
}

uint32_t Crc32(std::string_view data) {
  return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

CommandResult RunCommand(const std::string& commandLine) {
  CommandResult result;
  std::string full = commandLine + " 2>&1";
  FILE* pipe = popen(full.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.Output.append(buffer.data(), n);
  int status = pclose(pipe);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string CliPath() {
  return VORLANTH_CLI_PATH;
}

std::string SourcePath(std::string_view relative) {
  return std::string(VORLANTH_SOURCE_DIR) + "/" + std::string(relative);
}

void ExpectUnzipAccepts(const std::string& archive) {
  CommandResult result = RunCommand("unzip -t " + ShellQuote(archive));
  EXPECT_EQ(result.ExitCode, 0) << "unzip -t " << archive << ":\n" << result.Output;
}

void Expect7zAccepts(const std::string& archive) {
  CommandResult result = RunCommand("7zz t -bd " + ShellQuote(archive));
  EXPECT_EQ(result.ExitCode, 0) << "7zz t " << archive << ":\n" << result.Output;
}

void ExpectPythonReads(const std::string& archive, const std::vector<ExpectedEntry>& entries) {
  CommandResult result = RunCommand(
      "python3 " + ShellQuote(SourcePath("tests/common/zipcheck.py")) + " " + ShellQuote(archive));
  ASSERT_EQ(result.ExitCode, 0) << "zipfile " << archive << ":\n" << result.Output;
  std::string expected;
  for (const ExpectedEntry& entry : entries) {
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", Crc32(entry.Content));
    expected += entry.Name + "\t" + std::to_string(entry.Content.size()) + "\t" + crc + "\n";
  }
  EXPECT_EQ(result.Output, expected) << "zipfile listing of " << archive;
}

void ExpectToolsAccept(const std::string& archive, const std::vector<ExpectedEntry>& entries) {
  ExpectUnzipAccepts(archive);
  Expect7zAccepts(archive);
  ExpectPythonReads(archive, entries);
}

}  // namespace vorlanth::testing
