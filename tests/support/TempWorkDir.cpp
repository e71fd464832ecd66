// Scoped temporary working directory.
#include "TempWorkDir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace rskavi_test {

TempWorkDir::TempWorkDir(const std::map<std::string, std::string>& files) {
  m_previous = std::filesystem::current_path().string();
  std::string pattern = (std::filesystem::temp_directory_path() / "rskavi-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "TempWorkDir: mkdtemp failed for " << pattern;
    return;
  }
  m_path = pattern;
  for (const auto& [name, content] : files) {
    writeFile(name, content);
  }
  std::filesystem::current_path(m_path);
}

TempWorkDir::TempWorkDir(const std::string& relativePath, const std::string& content)
    : TempWorkDir(std::map<std::string, std::string>{{relativePath, content}}) {}

TempWorkDir::~TempWorkDir() {
  std::error_code ignored;
  std::filesystem::current_path(m_previous, ignored);
  if (!m_path.empty()) {
    std::filesystem::remove_all(m_path, ignored);
  }
}

void TempWorkDir::writeFile(const std::string& relativePath, const std::string& content) const {
  const std::filesystem::path file = std::filesystem::path(m_path) / relativePath;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) {
    ADD_FAILURE() << "TempWorkDir: cannot write " << file;
  }
}

std::string TempWorkDir::readFile(const std::string& relativePath) const {
  std::ifstream in(std::filesystem::path(m_path) / relativePath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace rskavi_test
