// A profile held in memory, keyed "Section/Key", for tests that need the
// engine's profile reading without a file.
#pragma once
#include <map>
#include <string>

#include "engine/profile.h"

namespace sw::test {

struct MapProfile : Profile {
  std::map<std::string, std::string> v;
  int32_t ReadInt(const std::string& s, const std::string& k, int32_t d) const override {
    auto it = v.find(s + "/" + k);
    return it == v.end() ? d : ParseIniInt(it->second);
  }
  std::string ReadString(const std::string& s, const std::string& k, const std::string& d) const override {
    auto it = v.find(s + "/" + k);
    return it == v.end() ? d : it->second;
  }
  bool WriteString(const std::string& s, const std::string& k, const std::string& val) override {
    v[s + "/" + k] = val;
    return true;
  }
};

}  // namespace sw::test
