// erase: the backup eraser without a window.
#include <filesystem>
#include <iostream>

#include "cli/cli.h"
#include "cli/prompt.h"
#include "eraser/core/eraser_model.h"
#include "platform/home.h"
#include "platform/inifile.h"

namespace fs = std::filesystem;

namespace sw::cli {

namespace {

int EraseUsage(Context& cx, const std::string& what) {
  *cx.err << "slimwright erase: " << what << "\n";
  return kExitUsage;
}

// "--name VALUE" or "--name=VALUE"; false when the option is not this one.
bool Value(const Args& args, size_t& i, const std::string& name, std::string& v, bool& missing) {
  const std::string& s = args[i];
  if (s == name) {
    if (i + 1 >= args.size()) missing = true;
    else v = args[++i];
    return true;
  }
  if (s.rfind(name + "=", 0) == 0) {
    v = s.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

int RunErase(const Args& args, Context& cx) {
  HomePaths paths{cx.home, cx.name};
  IniFile ini(paths.Profile());
  // Options left out come from the eraser's settings, which stay as they are.
  eraser::EraserSettings s = eraser::ReadEraserSettings(ini);
  bool yes = false, options = true, dirGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string v;
    bool missing = false;
    if (options && a == "--") {
      options = false;
    } else if (options && (a == "--yes" || a == "-y")) {
      yes = true;
    } else if (options && a == "--no-subdirs") {
      s.subdirs = false;
    } else if (options && Value(args, i, "--mask", v, missing)) {
      if (missing || v.empty()) return EraseUsage(cx, "--mask needs a mask list such as \"*.srbak;*.bak\"");
      s.mask = eraser::MaskShown(v);
    } else if (options && Value(args, i, "--style", v, missing)) {
      if (missing || (v != "normal" && v != "recycle" && v != "shred"))
        return EraseUsage(cx, "--style takes normal, recycle or shred");
      s.style = eraser::ParseStyle(v);
    } else if (options && a.size() > 1 && a.front() == '-') {
      return EraseUsage(cx, "unknown option '" + a + "'");
    } else if (dirGiven) {
      return EraseUsage(cx, "give one folder only");
    } else {
      std::error_code ec;
      if (!fs::is_directory(a, ec)) return EraseUsage(cx, "no such folder: " + a);
      fs::path full = fs::absolute(a, ec);
      s.directory = (ec ? fs::path(a) : full).lexically_normal().string();
      dirGiven = true;
    }
  }

  TerminalPrompt prompt(*cx.in, *cx.err, yes, cx.terminal);
  eraser::EraserModel model(nullptr, prompt);
  model.SetSrcDir(s.directory);
  model.SetMask(s.mask);
  model.SetSubDirs(s.subdirs);
  model.SetStyle(s.style);
  model.PrepareSearch();
  try {
    model.FF1.Run();
  } catch (const search::EFileFind& e) {
    return EraseUsage(cx, s.directory + ": " + e.what());
  }
  model.SearchEnded();
  for (const auto& skipped : model.FF1.FilesSkipped)
    *cx.err << "slimwright erase: left out, the name holds a line end: " << skipped << "\n";

  std::ostream& out = *cx.out;
  out << "Searched " << s.directory << " for " << s.mask << (s.subdirs ? " (with subfolders)" : "") << "\n";
  for (const auto& l : model.Lines()) out << l.path << "\n";
  if (model.Lines().empty()) {
    out << "No erasable files found.\n";
    return kExitOk;
  }
  out << model.Readout() << "\n";
  out.flush();

  const size_t listed = model.Lines().size();
  std::vector<eraser::EraseResult> results;
  try {
    results = model.EraseAll();
  } catch (const QuestionUnanswered&) {
    return kExitUsage;
  }
  if (results.empty()) {
    out << "Nothing erased.\n";
    return kExitUsage;
  }
  size_t erased = 0, notErased = 0;
  for (const auto& r : results) {
    switch (r.outcome) {
      case eraser::EraseOutcome::Erased:
        ++erased;
        out << "Erased: " << r.path << "\n";
        break;
      case eraser::EraseOutcome::Gone: out << "Already gone: " << r.path << "\n"; break;
      case eraser::EraseOutcome::Changed:
        ++notErased;
        out << "Left alone, no longer the file listed: " << r.path << "\n";
        break;
      case eraser::EraseOutcome::Failed:
        ++notErased;
        out << "Not erased: " << r.path << (r.error.empty() ? "" : " (" + r.error + ")") << "\n";
        break;
    }
  }
  out << "Erased " << erased << " of " << listed << " file" << (listed == 1 ? "" : "s") << "\n";
  if (!model.Lines().empty()) out << "Still listed: " << model.Readout() << "\n";
  return notErased > 0 ? kExitDocumentErrors : kExitOk;
}

}  // namespace sw::cli
