// Scoped temporary working directory for tests that depend on files the
// library reads relative to the working directory (./config/...).
#ifndef RSKAVI_TEST_TEMP_WORK_DIR_H
#define RSKAVI_TEST_TEMP_WORK_DIR_H

#include <map>
#include <string>

namespace rskavi_test {

// Creates a fresh folder under the system temp directory, writes the given
// files into it (relative path -> content; folders are created), and makes
// it the working directory. The destructor restores the previous working
// directory and removes the folder.
class TempWorkDir {
 public:
  explicit TempWorkDir(const std::map<std::string, std::string>& files = {});
  // The same with a single file.
  TempWorkDir(const std::string& relativePath, const std::string& content);
  ~TempWorkDir();

  TempWorkDir(const TempWorkDir&) = delete;
  TempWorkDir& operator=(const TempWorkDir&) = delete;

  const std::string& path() const { return m_path; }
  // Writes (or replaces) one file relative to the folder.
  void writeFile(const std::string& relativePath, const std::string& content) const;
  // Content of a file relative to the folder; empty when it does not exist.
  std::string readFile(const std::string& relativePath) const;

 private:
  std::string m_path;
  std::string m_previous;
};

}  // namespace rskavi_test

#endif
