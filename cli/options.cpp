// options: every switch of the profile, shown or set by the options window's rules.
#include <filesystem>
#include <iomanip>
#include <iostream>

#include "cli/cli.h"
#include "engine/primitives.h"
#include "options/core/option_model.h"
#include "platform/home.h"
#include "platform/inifile.h"

namespace sw::cli {

namespace {

// A dialog caption without its access-key marker and trailing colon.
std::string Plain(std::string s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] != '&' || (i + 1 < s.size() && s[i + 1] == '&')) out += s[i];
  while (!out.empty() && (out.back() == ':' || out.back() == ' ')) out.pop_back();
  return out;
}

struct Assignment {
  std::string section, key, value;
};

int Fail(Context& cx, const std::string& what) {
  *cx.err << "slimwright options: " << what << "\n";
  return kExitUsage;
}

bool ParseSwitch(const std::string& v, std::string& out) {
  std::string l = AsciiLower(v);
  if (l == "1" || l == "on") out = "1";
  else if (l == "0" || l == "off") out = "0";
  else return false;
  return true;
}

bool ParseWhole(const std::string& v, int& out) {
  if (v.empty() || v.size() > 5) return false;
  for (char c : v)
    if (c < '0' || c > '9') return false;
  out = std::stoi(v);
  return true;
}

// Checks one KEY=VALUE by the rules the windows keep; error text on failure.
bool Parse(const std::string& arg, Assignment& a, std::string& error) {
  size_t eq = arg.find('=');
  if (eq == std::string::npos || eq == 0) {
    error = "expected KEY=VALUE, got '" + arg + "'";
    return false;
  }
  const std::string key = arg.substr(0, eq), value = arg.substr(eq + 1), lkey = AsciiLower(key);
  // Keys are matched without regard to letter case, as in the profile.
  if (lkey == AsciiLower(kWordWrapKey)) {
    int n = 0;
    if (!ParseWhole(value, n) || n < kWrapMin || n > kWrapMax) {
      error = "bad value '" + value + "' for " + kWordWrapKey + ": give a whole number from " +
              std::to_string(kWrapMin) + " to " + std::to_string(kWrapMax);
      return false;
    }
    a = {kFineTuning, kWordWrapKey, std::to_string(n)};
    return true;
  }
  if (lkey == AsciiLower(kEntityKey)) {
    int n = 0;
    if (!ParseWhole(value, n) || !IsEntityValue(n)) {
      error = "bad value '" + value + "' for " + kEntityKey + ": give 0, 1, 2, 6, 10 or 14";
      return false;
    }
    a = {kTagOptions, kEntityKey, std::to_string(n)};
    return true;
  }
  for (const auto& r : OptionTable()) {
    if (lkey != AsciiLower(r.key)) continue;
    std::string v;
    if (!ParseSwitch(value, v)) {
      error = "bad value '" + value + "' for " + r.key + ": give 1 or 0";
      return false;
    }
    a = {r.section, r.key, v};
    return true;
  }
  error = "unknown option '" + key + "' (slimwright options lists them)";
  return false;
}

void Line(std::ostream& o, const std::string& kv, const std::string& caption) {
  o << std::left << std::setw(22) << kv << " " << caption << "\n";
}

}  // namespace

int RunOptions(const Args& args, Context& cx) {
  HomePaths paths{cx.home, cx.name};
  IniFile profile(paths.Profile());

  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    *cx.out << "Usage: slimwright options [KEY=VALUE...]\n"
               "Without arguments, lists every option of the profile with the value the next run uses.\n"
               "KEY is an option's profile key (letter case does not matter). Switches take 1 or 0 (on or off),\n"
               "WordWrap a whole number from 30 to 9999, StandardizeChars 0, 1, 2, 6, 10 or 14.\n"
               "Every value is checked first; if one is wrong, nothing is written.\n";
    return kExitOk;
  }
  if (!args.empty()) {
    // Every value is checked before the first is written.
    std::vector<Assignment> todo;
    for (const auto& arg : args) {
      Assignment a;
      std::string error;
      if (!Parse(arg, a, error)) return Fail(cx, error);
      todo.push_back(a);
    }
    const bool existed = profile.Exists();
    for (const auto& a : todo) {
      if (!profile.WriteString(a.section, a.key, a.value)) {
        *cx.err << "slimwright options: the profile " << paths.Profile() << " could not be written\n";
        return kExitRefused;
      }
      *cx.out << a.key << "=" << a.value << "\n";
    }
    if (!existed)
      *cx.err << "slimwright options: " << paths.Profile()
              << " was new, so every other option is off; slimwright preset safe|maximum writes a whole set\n";
    return kExitOk;
  }

  // What the next run reads.
  const OptionSet set = LoadOptionSet(profile);
  *cx.out << "Options of " << paths.Profile() << (profile.Exists() ? "" : " (missing: every option is off)") << "\n";
  for (const char* section : {kTagOptions, kFineTuning}) {
    *cx.out << "[" << section << "]\n";
    for (const OptionInfo* r : DialogList(section))
      Line(*cx.out, std::string(r->key) + "=" + (set[r->id] ? "1" : "0"), r->caption);
  }
  *cx.out << "[Other values]\n";
  const bool wrapMissing = profile.ReadString(kFineTuning, kWordWrapKey, "\x01") == "\x01";
  Line(*cx.out, std::string(kWordWrapKey) + "=" + std::to_string(set.wordWrap),
       Plain(kWrapCaption) + " (" + std::to_string(kWrapMin) + " to " + std::to_string(kWrapMax) +
           (wrapMissing ? "; not set, so runs use 254)" : ")"));
  const int entity = profile.ReadInt(kTagOptions, kEntityKey, 0);
  Line(*cx.out, std::string(kEntityKey) + "=" + std::to_string(entity),
       "Character entities: " + EntityDescription(entity) +
           (set[Opt::ShortSpecials] ? "" : " (used only while ShortSpecials is on)"));
  Line(*cx.out, std::string(kBigSmallKey) + "=" + (set[Opt::MSNSOnly] ? "1" : "0"),
       Plain(kBigSmallCaption) + (set[Opt::ShrinkFontTags] ? "" : " (used only while ShrinkFontTags is on)"));
  return kExitOk;
}

}  // namespace sw::cli
