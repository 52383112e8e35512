// Files that tests write, in a directory of this process's own under the temporary directory:
// test runs of several checkouts on one machine share that directory.

#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace testpaths {

inline std::string tempPath(const std::string& name) {
  const std::string dir = ::testing::TempDir() + "tavshsl_" + std::to_string(getpid()) + "/";
  std::filesystem::create_directories(dir);
  return dir + name;
}

}  // namespace testpaths
