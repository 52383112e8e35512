// Replays fuzzer inputs without the fuzzer: every file named on the command line, or found in
// a folder named there, goes once through LLVMFuzzerTestOneInput. Built with the normal
// compiler, so that the test run checks every committed input (seeds and past findings).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int k = 1; k < argc; ++k) {
    if (std::filesystem::is_directory(argv[k])) {
      for (const auto& entry : std::filesystem::directory_iterator(argv[k]))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.emplace_back(argv[k]);
    }
  }
  for (const std::filesystem::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::cout << files.size() << " inputs replayed\n";
  return files.empty() ? 1 : 0;
}
