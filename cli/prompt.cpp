#include "cli/prompt.h"

#include <istream>
#include <ostream>
#include <string>

#include "engine/primitives.h"

namespace sw::cli {

namespace {

const char* IconWord(Icon icon) {
  switch (icon) {
    case Icon::Error: return "error: ";
    case Icon::Warning: return "warning: ";
    default: return "";
  }
}

const char* Choices(Buttons b) {
  switch (b) {
    case Buttons::OkCancel: return "[o]k/[c]ancel";
    case Buttons::YesNo: return "[y]es/[n]o";
    case Buttons::YesNoCancel: return "[y]es/[n]o/[c]ancel";
    default: return "[o]k";
  }
}

// The answer a reply stands for, or false when it fits none of the buttons.
bool Parse(std::string reply, Buttons b, Answer& a) {
  while (!reply.empty() && (reply.back() == ' ' || reply.back() == '\r')) reply.pop_back();
  while (!reply.empty() && reply.front() == ' ') reply.erase(0, 1);
  reply = AsciiLower(reply);
  const bool yesNo = b == Buttons::YesNo || b == Buttons::YesNoCancel;
  const bool cancel = b == Buttons::OkCancel || b == Buttons::YesNoCancel;
  if (yesNo && (reply == "y" || reply == "yes")) a = Answer::Yes;
  else if (yesNo && (reply == "n" || reply == "no")) a = Answer::No;
  else if (!yesNo && (reply == "o" || reply == "ok")) a = Answer::Ok;
  else if (cancel && (reply == "c" || reply == "cancel")) a = Answer::Cancel;
  else return false;
  return true;
}

}  // namespace

Answer TerminalPrompt::Ask(const std::string& caption, const std::string& text, Icon icon, Buttons buttons) {
  err_ << IconWord(icon) << caption << "\n" << text << "\n";
  if (buttons == Buttons::Ok) {
    err_ << "\n";
    err_.flush();
    return Answer::Ok;
  }
  const bool guarded = !guarded_.empty() && caption == guarded_ && buttons == Buttons::YesNo;
  if (guarded && guardGiven_) {
    err_ << "(answered Yes by " << guardFlag_ << ")\n\n";
    return Answer::Yes;
  }
  if (yes_ && !guarded) {
    const bool ok = buttons == Buttons::OkCancel;
    err_ << "(answered " << (ok ? "OK" : "Yes") << " by --yes)\n\n";
    return ok ? Answer::Ok : Answer::Yes;
  }
  if (!terminal_) {
    err_ << "(no terminal to answer this question; run again with " << (guarded ? guardFlag_ : "--yes")
         << " to answer Yes)\n";
    err_.flush();
    throw QuestionUnanswered();
  }
  for (;;) {
    err_ << Choices(buttons) << "? ";
    err_.flush();
    std::string reply;
    if (!std::getline(in_, reply)) {
      // End of input declines.
      err_ << "\n";
      return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
    Answer a;
    if (Parse(reply, buttons, a)) {
      err_ << "\n";
      return a;
    }
  }
}

}  // namespace sw::cli
