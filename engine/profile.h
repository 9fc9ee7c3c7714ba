// The job profile as the engine sees it: private-profile reads and writes.
// The INI implementation lives in the platform layer; tests may use a map.
#pragma once
#include <cstdint>
#include <string>

namespace sw {

class Profile {
 public:
  virtual ~Profile() = default;
  // Integer read: optional sign and leading digits, wrapped to 32 bits;
  // a present key with no number reads 0, a missing key reads def.
  virtual int32_t ReadInt(const std::string& section, const std::string& key, int32_t def) const = 0;
  // String read, cut at 255 bytes.
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const = 0;
  // Returns false when the value could not be stored.
  virtual bool WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
};

// Parses an INI integer value the private-profile way.
int32_t ParseIniInt(const std::string& value);

}  // namespace sw
