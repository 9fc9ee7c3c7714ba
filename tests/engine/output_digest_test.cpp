// Every legacy page, and a few inputs built to stress the passes, through the
// engine with several option sets; each result (code, bytes and the 24
// saving counters) must match the digest recorded in
// tests/engine/data/engine_digests.txt. Work on how fast the passes run must
// not change a byte of what they write.
//
// When a change to the output is intended, record the digests again and
// review the diff of the data file:
//   SW_UPDATE_DIGESTS=1 ./engine_tests --gtest_filter='OutputDigest.*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "bench/adversarial.h"
#include "engine/driver.h"
#include "tests/engine/map_profile.h"
#include "engine/profile.h"

using namespace sw;
namespace fs = std::filesystem;

namespace {

using test::MapProfile;

uint64_t Fnv1a64(std::string_view s) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : s) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

// The option sets, each as the profile a user would have.
struct NamedSet {
  const char* name;
  OptionSet opts;
};

std::vector<NamedSet> OptionSets() {
  std::vector<NamedSet> sets;
  sets.push_back({"empty", LoadOptionSet(MapProfile{})});
  {
    MapProfile p;
    for (Opt o : {Opt::STRONGtoB, Opt::EMToI, Opt::CITEToI, Opt::ADDRESSToI, Opt::DFNToI, Opt::CODEToTT,
                  Opt::SAMPToTT, Opt::KBDToTT, Opt::StripClosingP, Opt::StripComments, Opt::ShortSpecials,
                  Opt::StandardColors, Opt::StripEmpties})
      p.WriteString(Info(o).section, Info(o).key, "1");
    p.WriteString(kTagOptions, "StandardizeChars", "10");
    sets.push_back({"first-phase", LoadOptionSet(p)});
  }
  {
    MapProfile p;
    WritePreset(p, Preset::Safe);
    sets.push_back({"safe", LoadOptionSet(p)});
  }
  {
    MapProfile p;
    WritePreset(p, Preset::Maximum);
    sets.push_back({"maximum", LoadOptionSet(p)});
  }
  {
    // Every switch, another entity mode and a short line length.
    MapProfile p;
    WritePreset(p, Preset::Maximum);
    p.WriteString(kTagOptions, "StripClosingP", "1");
    p.WriteString(kTagOptions, "NoDTD", "1");
    p.WriteString(kTagOptions, "MSNSOnly", "1");
    p.WriteString(kTagOptions, "StandardizeChars", "3");
    p.WriteString(kFineTuning, "WordWrap", "80");
    sets.push_back({"all-wrap80", LoadOptionSet(p)});
  }
  return sets;
}

struct Input {
  std::string name;
  std::string bytes;
};

std::vector<Input> Inputs() {
  std::vector<Input> in;
  for (auto& f : fs::recursive_directory_iterator(SW_CORPUS_DIR)) {
    if (!f.is_regular_file()) continue;
    std::ifstream s(f.path(), std::ios::binary);
    in.push_back({fs::relative(f.path(), SW_CORPUS_DIR).generic_string(),
                  std::string(std::istreambuf_iterator<char>(s), {})});
  }
  std::sort(in.begin(), in.end(), [](const Input& a, const Input& b) { return a.name < b.name; });
  // Larger than one chunk, so the chunk cuts are covered too.
  constexpr size_t kSize = 150000;
  in.push_back({"~stress/pre", swbench::Adversarial(swbench::Shape::Pre, kSize)});
  in.push_back({"~stress/script", swbench::Adversarial(swbench::Shape::Script, kSize)});
  in.push_back({"~stress/text", swbench::Adversarial(swbench::Shape::Text, kSize)});
  return in;
}

// One line per input and option set: set, input, result code, length,
// digest of the bytes, then the counters 1..24.
std::map<std::string, std::string> Record() {
  std::map<std::string, std::string> lines;
  const std::vector<Input> inputs = Inputs();
  for (const NamedSet& set : OptionSets()) {
    // One engine per set, as one job runs its documents.
    Engine e;
    e.cx.opts = set.opts;
    e.cx.savings.recording = true;
    for (const Input& input : inputs) {
      Buffer b = input.bytes;
      const int32_t rc = e.OptimizeBuffer(b);
      char head[64];
      std::snprintf(head, sizeof head, "%d %zu %016llx", rc, b.size(), (unsigned long long)Fnv1a64(b));
      std::string line = head;
      for (int c = 1; c <= kCounterCount; ++c) line += " " + std::to_string(e.cx.savings.doc[size_t(c)]);
      lines[std::string(set.name) + " " + input.name] = line;
    }
  }
  return lines;
}

const char* const kDataFile = SW_SOURCE_DIR "/tests/engine/data/engine_digests.txt";

TEST(OutputDigest, EveryInputMatchesTheRecordedOutput) {
  const auto now = Record();
  ASSERT_GT(now.size(), 200u);
  const char* update = std::getenv("SW_UPDATE_DIGESTS");
  if (update && std::string(update) == "1") {
    std::ofstream out(kDataFile, std::ios::binary | std::ios::trunc);
    out << "# option-set input result-code length fnv1a64 counter1..counter24\n";
    for (auto& [key, line] : now) out << key << " " << line << "\n";
    ASSERT_TRUE(out.good()) << kDataFile;
    GTEST_SKIP() << "digests recorded in " << kDataFile;
  }
  std::ifstream in(kDataFile, std::ios::binary);
  ASSERT_TRUE(in) << "no digests at " << kDataFile;
  std::map<std::string, std::string> recorded;
  for (std::string l; std::getline(in, l);) {
    if (l.empty() || l[0] == '#') continue;
    // The key is the first two fields.
    const size_t a = l.find(' '), b = a == std::string::npos ? a : l.find(' ', a + 1);
    ASSERT_NE(b, std::string::npos) << "malformed line: " << l;
    recorded[l.substr(0, b)] = l.substr(b + 1);
  }
  int differ = 0;
  for (auto& [key, line] : now) {
    auto it = recorded.find(key);
    if (it == recorded.end()) {
      ADD_FAILURE() << key << ": no recorded digest (a new input or option set?)";
      continue;
    }
    if (it->second != line && ++differ <= 20)
      ADD_FAILURE() << key << "\n  recorded: " << it->second << "\n  now:      " << line;
  }
  for (auto& [key, line] : recorded)
    EXPECT_TRUE(now.count(key)) << key << ": recorded, but no longer produced";
  EXPECT_EQ(differ, 0) << "outputs that changed";
}

}  // namespace
