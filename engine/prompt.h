// The one way any part of the program asks or tells the user something.
// Windows show a message box; the command line answers from its flags or the
// terminal; tests script the answers and check the exact texts.
#pragma once
#include <string>

namespace sw {

enum class Icon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Prompt {
 public:
  virtual ~Prompt() = default;
  virtual Answer Ask(const std::string& caption, const std::string& text, Icon icon, Buttons buttons) = 0;
};

}  // namespace sw
