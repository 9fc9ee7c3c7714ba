// Questions on the command line: --yes answers them, a terminal shows them,
// and without either the command stops before touching anything more.
#pragma once
#include <exception>
#include <iosfwd>
#include <string>

#include "engine/prompt.h"

namespace sw::cli {

// Thrown when a question cannot be answered (no terminal, no --yes); the
// command ends with the usage status.
struct QuestionUnanswered : std::exception {
  const char* what() const noexcept override { return "question needs an answer"; }
};

class TerminalPrompt : public Prompt {
 public:
  TerminalPrompt(std::istream& in, std::ostream& err, bool yes, bool terminal)
      : in_(in), err_(err), yes_(yes), terminal_(terminal) {}
  // Messages with only OK are shown on standard error and go on. Questions
  // get Yes (OK) with --yes, are read from a terminal, or throw.
  Answer Ask(const std::string& caption, const std::string& text, Icon icon, Buttons buttons) override;

  // A question too grave for --yes: only its own flag (given or not) or a
  // reply typed at the terminal answers it.
  void Guard(const std::string& caption, const std::string& flag, bool given) {
    guarded_ = caption;
    guardFlag_ = flag;
    guardGiven_ = given;
  }

 private:
  std::string guarded_, guardFlag_;
  bool guardGiven_ = false;
  std::istream& in_;
  std::ostream& err_;
  bool yes_;
  bool terminal_;
};

}  // namespace sw::cli
