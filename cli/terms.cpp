// slimwright terms: the author's search-and-replace term pairs without a
// desktop, kept by the same list model as the desktop editor.
#include <iostream>

#include "cli/cli.h"
#include "cli/prompt.h"
#include "engine/options.h"
#include "platform/home.h"
#include "platform/inifile.h"
#include "replace/core/term_list.h"
#include "replace/core/terms.h"

namespace sw::cli {

namespace {

int TermsUsage(Context& cx, const std::string& what) {
  *cx.err << "slimwright terms: " << what << "\n";
  return kExitUsage;
}

void List(const StoredTerms& t, std::ostream& out) {
  if (t.pairs.empty()) {
    out << kNoTermsLine << "\n";
    return;
  }
  for (std::size_t i = 0; i < t.pairs.size(); ++i) {
    // Only the first terms can ever be applied; the rest stay in the list.
    const char* state = i >= std::size_t(kMaxCustomTerms) ? "--  " : t.pairs[i].enabled ? "on  " : "off ";
    out << (i < 9 ? "  " : i < 99 ? " " : "") << i + 1 << "  " << state << TermLine(t.pairs[i]) << "\n";
  }
}

// A term number given on the command line, 1..count; 0 when it is none.
std::size_t Number(const std::string& s, std::size_t count) {
  if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos) return 0;
  std::size_t n = std::stoul(s);
  return n >= 1 && n <= count ? n : 0;
}

}  // namespace

int RunTerms(const Args& args, Context& cx) {
  bool yes = false, matchCase = false;
  std::vector<std::string> words;
  for (const auto& a : args) {
    if (a == "--yes" || a == "-y") yes = true;
    else if (a == "--match-case") matchCase = true;
    else if (a.size() > 2 && a.rfind("--", 0) == 0) return TermsUsage(cx, "unknown option '" + a + "'");
    else words.push_back(a);
  }
  std::string verb = words.empty() ? "list" : words[0];
  std::vector<std::string> rest(words.begin() + (words.empty() ? 0 : 1), words.end());
  HomePaths paths{cx.home, cx.name};
  IniFile profile(paths.Profile());
  TerminalPrompt prompt(*cx.in, *cx.err, yes, cx.terminal);
  StoredTerms terms = ReadStoredTerms(profile);

  if (verb == "list") {
    if (!rest.empty()) return TermsUsage(cx, "list takes no arguments");
    if (terms.malformed) WarnMalformedTerms(prompt);
    List(terms, *cx.out);
    return kExitOk;
  }
  if (matchCase && verb != "add") return TermsUsage(cx, "--match-case goes with add");
  if (!profile.Exists())
    return TermsUsage(cx, "there is no profile yet at " + paths.Profile() +
                              "; write one first with 'slimwright preset safe' or 'slimwright preset maximum'");

  std::string done;
  try {
    if (verb == "add") {
      if (rest.empty() || rest.size() > 2 || rest[0].empty())
        return TermsUsage(cx, "add needs a search text and at most one replacement text");
      TermPair p{rest[0], rest.size() > 1 ? rest[1] : "", matchCase};
      if (!AcceptTermPair(prompt, p)) return kExitRefused;
      terms.pairs.push_back(p);
      std::size_t n = terms.pairs.size();
      done = "Added term " + std::to_string(n) + ": " + TermLine(p) +
             (n <= std::size_t(kMaxCustomTerms)
                  ? "\nIt is not applied until you enable it: slimwright terms enable " + std::to_string(n)
                  : "\nOnly the first " + std::to_string(kMaxCustomTerms) + " terms can be applied.");
    } else if (verb == "remove" || verb == "enable" || verb == "disable") {
      if (rest.size() != 1) return TermsUsage(cx, verb + " needs one term number");
      std::size_t n = Number(rest[0], terms.pairs.size());
      if (n == 0)
        return TermsUsage(cx, "there is no term " + rest[0] + " (see slimwright terms list)");
      TermPair& p = terms.pairs[n - 1];
      if (verb == "remove") {
        if (prompt.Ask("Confirming removal", "Really remove this term pair?\n" + TermLine(p), Icon::Question,
                       Buttons::YesNo) != Answer::Yes)
          return kExitRefused;
        done = "Removed term " + std::to_string(n) + ": " + TermLine(p);
        terms.pairs.erase(terms.pairs.begin() + long(n - 1));
        if (n <= terms.pairs.size()) done += "\nThe terms after it moved up by one.";
      } else {
        if (verb == "enable" && n > std::size_t(kMaxCustomTerms))
          return TermsUsage(cx, "only terms 1 to " + std::to_string(kMaxCustomTerms) + " can be applied");
        p.enabled = verb == "enable";
        done = std::string(p.enabled ? "Enabled" : "Disabled") + " term " + std::to_string(n) + ": " + TermLine(p);
      }
    } else {
      return TermsUsage(cx, "unknown action '" + verb + "' (list, add, remove, enable, disable)");
    }
  } catch (const QuestionUnanswered&) {
    return kExitUsage;
  }
  // Malformed entries cannot be kept apart from the numbering, so they go, as in the desktop editor.
  if (terms.malformed) WarnMalformedTerms(prompt);
  if (!WriteStoredTerms(profile, [&](const std::string& s) { return profile.DeleteSection(s); }, terms.pairs,
                        true)) {
    *cx.err << "slimwright terms: the profile " << paths.Profile() << " could not be written\n";
    return kExitRefused;
  }
  *cx.out << done << "\n";
  return kExitOk;
}

}  // namespace sw::cli
