// PageVerifier over a headless Chromium driven through the DevTools
// protocol on a pipe (file descriptors 3 and 4). One browser serves every
// caller; each comparison takes a tab for each version, so pages render in
// parallel.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "verify/core/verifier.h"

namespace sw::verify {

// The browser program: $SLIMWRIGHT_BROWSER when set (empty when that file
// cannot be run), else "chromium-headless-shell", "chromium" or
// "chromium-browser" from PATH; "" when none is installed.
std::string FindBrowser();
// Said wherever the browser is missing.
// Fills `pixels` from the encoded screenshot; false when it cannot be read.
bool DecodePixels(Rendering& r);

inline constexpr const char* kInstallHint =
    "Visual verification needs Chromium: install the package chromium (sudo apt-get install chromium).";

class ChromiumVerifier : public PageVerifier {
 public:
  explicit ChromiumVerifier(std::string browser = FindBrowser());
  ~ChromiumVerifier() override;
  ChromiumVerifier(const ChromiumVerifier&) = delete;
  ChromiumVerifier& operator=(const ChromiumVerifier&) = delete;

  // On, every screenshot is taken, so a verdict names every kind of
  // difference (for a report read by people); off, the default, a
  // screenshot that cannot change the verdict is skipped, and so are both
  // when the two versions parse into the same document.
  void SetFullDetail(bool on) { fullDetail_ = on; }
  // Starts the browser; false with `error` set when it cannot be used.
  bool Start(std::string* error);
  Verdict Compare(const std::string& path, const std::string& original,
                  const std::string& optimized) override;
  // One rendering of `bytes` at the address of `path`. With a `reference`
  // whose text, title, character set or size differ from this rendering's,
  // the screenshot, the costly part, is skipped.
  Rendering Render(const std::string& path, const std::string& bytes, const Rendering* reference = nullptr);

  // Screenshots taken so far.
  int Shots() const { return shots_; }

  class Connection;
  class Tab;
  class Lease;

 private:
  // Loads `bytes` and reads what is compared besides the pixels; false with
  // r.error set on failure.
  bool Read(Lease& lease, const std::string& path, const std::string& bytes, Rendering& r);
  // Adds the document key of the page the lease's tab holds, when one can
  // be taken.
  void Key(Lease& lease, const std::string& bytes, Rendering& r);
  // Takes the screenshot of the page the lease's tab holds.
  bool Shoot(Lease& lease, Rendering& r);
  Verdict CompareFully(const std::string& path, const std::string& original, const std::string& optimized);
  Verdict Finish(Rendering& before, Rendering& after, bool nondeterministic);

  std::string browser_;
  bool fullDetail_ = false;
  std::atomic<int> shots_{0};
  std::unique_ptr<Connection> conn_;
  std::mutex poolMutex_;
  std::vector<std::unique_ptr<Tab>> idle_;
};

}  // namespace sw::verify
