// INI files with private-profile semantics; every write replaces the file
// atomically so a crash never leaves half a profile.
#pragma once
#include <string>
#include <vector>

#include "engine/profile.h"

namespace sw {

class IniFile : public Profile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }
  bool Exists() const;

  int32_t ReadInt(const std::string& section, const std::string& key, int32_t def) const override;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const override;
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override;
  bool DeleteSection(const std::string& section);
  bool DeleteKey(const std::string& section, const std::string& key);
  // Every key of a section in file order.
  std::vector<std::pair<std::string, std::string>> ReadSection(const std::string& section) const;

 private:
  // Value of the key when present.
  bool Find(const std::string& section, const std::string& key, std::string& value) const;
  std::vector<std::string> Lines() const;
  bool Save(const std::vector<std::string>& lines);
  std::string path_;
};

// Replaces a file's content atomically (temporary file beside it, then rename).
bool AtomicWriteFile(const std::string& path, const std::string& content);

}  // namespace sw
