// verify: renders original and optimized documents in a browser and says
// which look the same.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "verify/core/batch.h"
#include "verify/chromium.h"

namespace fs = std::filesystem;

namespace sw::cli {

namespace {

bool ReadWhole(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return !in.bad();
}

// Documents below `root` by path relative to it, sorted; hidden names and
// linked folders are left out like in the job's folder search.
std::vector<std::string> DocumentsBelow(const fs::path& root) {
  std::vector<std::string> found;
  std::error_code ec;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && name.front() == '.') {
      if (it->is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    if (it->is_symlink(ec) && it->is_directory(ec)) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file(ec) && IsDocumentName(name))
      found.push_back(it->path().lexically_relative(root).generic_string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

int VerifyThreads() {
  // Each page keeps a browser renderer busy; one more than the cores keeps
  // them fed while we decode and compare.
  unsigned n = std::thread::hardware_concurrency();
  return int(std::clamp(n ? n + 1 : 2u, 2u, 8u));
}

int RunVerify(const Args& args, Context& cx) {
  std::ostream& out = *cx.out;
  std::ostream& err = *cx.err;
  if (args.size() != 2 || args[0].rfind("--", 0) == 0 || args[1].rfind("--", 0) == 0) {
    err << "slimwright verify: give two documents, or two folders (see slimwright --help)\n";
    return kExitUsage;
  }
  const std::string browser = verify::FindBrowser();
  if (browser.empty()) {
    err << "slimwright verify: " << verify::kInstallHint << "\n";
    return kExitUsage;
  }
  std::error_code ec;
  const fs::path a = args[0], b = args[1];
  const bool folders = fs::is_directory(a, ec);
  if (folders != fs::is_directory(b, ec) || (!folders && (!fs::is_regular_file(a, ec) || !fs::is_regular_file(b, ec)))) {
    err << "slimwright verify: " << (fs::exists(a, ec) && fs::exists(b, ec)
                                         ? "give two documents or two folders, not one of each"
                                         : "no such document or folder: " + (fs::exists(a, ec) ? b : a).string())
        << "\n";
    return kExitUsage;
  }
  std::vector<std::string> names = folders ? DocumentsBelow(a) : std::vector<std::string>{a.string()};

  verify::ChromiumVerifier verifier(browser);
  // Each line says everything that differs, pixels included.
  verifier.SetFullDetail(true);
  std::string error;
  if (!verifier.Start(&error)) {
    err << "slimwright verify: " << error << "\n";
    return kExitUsage;
  }
  size_t same = 0, differ = 0;
  auto load = [&](size_t i, verify::PagePair& p, std::string& failure) {
    p.name = names[i];
    p.path = folders ? (a / names[i]).string() : a.string();
    const std::string other = folders ? (b / names[i]).string() : b.string();
    if (!ReadWhole(p.path, p.original)) {
      failure = "cannot be read";
      return false;
    }
    if (!ReadWhole(other, p.optimized)) {
      failure = fs::exists(other, ec) ? "its counterpart cannot be read" : "no counterpart in " + b.string();
      return false;
    }
    return true;
  };
  auto done = [&](size_t, const verify::PagePair& p, const verify::Verdict& v) {
    (v.Same() ? same : differ)++;
    out << p.name << ": " << v.Describe() << std::endl;
  };
  verify::CompareAll(verifier, names.size(), VerifyThreads(), load, done);
  if (folders) out << names.size() << " compared: " << same << " same, " << differ << " differ\n";
  return differ == 0 ? kExitOk : kExitDocumentErrors;
}

}  // namespace sw::cli
