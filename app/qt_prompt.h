// Message boxes for the prompt interface.
#pragma once
#include "engine/prompt.h"

namespace sw {

class QtPrompt : public Prompt {
 public:
  Answer Ask(const std::string& caption, const std::string& text, Icon icon, Buttons buttons) override;
};

}  // namespace sw
