// Runs a fuzz target over every file of the folders (or the files) named on the command line, so
// that its corpus and its findings are replayed as an ordinary test by any compiler.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

// The inputs a command-line argument names: the file itself, or the files of a folder in name
// order without hidden ones (a folder that has no finding yet keeps a ".gitkeep").
std::vector<fs::path> InputsOf(const fs::path& argument, std::error_code& error) {
  std::vector<fs::path> inputs;
  if (fs::is_regular_file(argument, error)) {
    inputs.push_back(argument);
    return inputs;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(argument, error))
    if (entry.is_regular_file() && !entry.path().filename().string().starts_with('.'))
      inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER_OR_FILE...\n", argv[0]);
    return 2;
  }
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    const std::vector<fs::path> inputs = InputsOf(argv[i], error);
    if (error) {
      std::fprintf(stderr, "%s: %s\n", argv[i], error.message().c_str());
      return 2;
    }
    for (const fs::path& input : inputs) {
      std::printf("%s\n", input.c_str());
      std::fflush(stdout);
      std::ifstream file(input, std::ios::binary);
      const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                       std::istreambuf_iterator<char>()};
      if (!file.good() && !file.eof()) {
        std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
        return 2;
      }
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  return 0;
}
