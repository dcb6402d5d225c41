#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace fotoloom::test {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  // Path of a file in the folder.
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The names of everything in `folder`, hidden ones too.
std::set<std::string> FileNames(const std::string& folder);
// Path of a checked-in fixture under tests/fixtures.
std::string FixturePath(const std::string& name);

}  // namespace fotoloom::test
