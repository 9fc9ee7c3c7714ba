// The decisions of the preview file picker, without widgets: which documents
// it lists, when a drop is taken, what a preview needs, the browser choice.
#pragma once
#include <string>
#include <vector>

#include "engine/prompt.h"
#include "preview/launch.h"

namespace sw {

class IndexPickerModel {
 public:
  // afterRun: opened right after an optimization run (the main window stays).
  IndexPickerModel(Launcher& launcher, Prompt& prompt, bool afterRun)
      : launcher_(launcher), prompt_(prompt), afterRun_(afterRun) {}

  bool HidesMainWindow() const { return !afterRun_; }
  // The documents of the files list; an unreadable list gives none.
  std::vector<std::string> Documents() const;
  // The browser path shown at opening; warns when none is chosen yet.
  std::string OpenBrowser();
  // A drag over the browser field: only lines of the list, only onto a named browser.
  static bool AcceptsDrop(bool fromList, const std::string& browserField) {
    return fromList && !browserField.empty();
  }
  // Shows a document; selected is "" when no line is selected.
  void Preview(const std::string& selected, bool hasSelection);
  // A program chosen with "..."; false (after saying why) when it cannot be started.
  bool ChooseBrowser(const std::string& path);
  const std::string& browser() const { return launcher_.defaultBrowser(); }

 private:
  Launcher& launcher_;
  Prompt& prompt_;
  bool afterRun_;
};

}  // namespace sw
