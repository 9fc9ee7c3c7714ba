#include <iostream>
#include <iterator>

#include "cli/cli.h"
#include "engine/driver.h"
#include "platform/home.h"
#include "platform/inifile.h"
#include "replace/core/terms.h"

namespace sw::cli {

int RunFilter(const Args& args, Context& cx) {
  bool counters = false;
  for (const auto& a : args) {
    if (a == "--counters") counters = true;
    else {
      *cx.err << "slimwright filter: unknown argument '" << a << "'\n";
      return kExitUsage;
    }
  }
  Buffer buf((std::istreambuf_iterator<char>(*cx.in)), std::istreambuf_iterator<char>());

  HomePaths paths{cx.home, cx.name};
  IniFile profile(paths.Profile());
  CustomTermTable terms;
  Engine engine;
  engine.programDir = cx.home;
  engine.profilePath = paths.Profile();
  engine.profile = &profile;
  engine.terms = &terms;
  // One document of a run, without work files or a report.
  terms.Load(profile);
  engine.cx.opts = LoadOptionSet(profile);
  engine.cx.savings.recording = true;
  engine.cx.savings.ZeroJob();
  terms.ZeroRun();

  int32_t rc;
  if (buf.size() > size_t(kMaxDocumentSize)) {
    rc = kTooLarge;
  } else {
    rc = engine.OptimizeBuffer(buf);
  }
  cx.out->write(buf.data(), std::streamsize(buf.size()));
  cx.out->flush();
  if (counters) {
    for (int n = 1; n <= kCounterCount; ++n)
      *cx.err << "counter " << n << " " << (rc == kTooLarge ? 0 : engine.cx.savings.doc[size_t(n)]) << "\n";
    for (int n = 1; n <= terms.count; ++n) *cx.err << "custom " << n << " " << terms.slots[size_t(n)].documentSaving << "\n";
    *cx.err << "total " << (rc == kTooLarge ? 0 : engine.figures.total) << "\n";
  }
  if (rc < 0) {
    auto [m1, m2] = ResultMessages(rc);
    *cx.err << m1 << m2 << "\n";
    return kExitRefused;
  }
  return kExitOk;
}

}  // namespace sw::cli
