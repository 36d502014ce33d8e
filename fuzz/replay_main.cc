// Runs a fuzz target once on each input file, without libFuzzer: builds with
// any compiler, so the regression inputs and the seed corpus run in every
// test run. Arguments are files or folders; a folder stands for the files in
// it, in name order, leaving out hidden ones. A broken property aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs(const fs::path& arg) {
  if (!fs::is_directory(arg)) return {arg};
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(arg)) {
    if (entry.is_regular_file() && !entry.path().filename().string().starts_with("."))
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "replaying %s\n", file.c_str());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& file : inputs(argv[i])) {
      if (!replay(file)) return 1;
      ++count;
    }
  }
  std::fprintf(stderr, "%d inputs replayed\n", count);
  // No input at all means a wrong path, not a pass.
  return count > 0 ? 0 : 1;
}
