// The job run window's own decisions (the run itself is JobRun's).
#pragma once
#include "engine/prompt.h"

namespace sw {

inline constexpr int kJobWindowHelpContext = 45000;

struct JobWindowRules {
  bool showPreviewDlg = true;
  bool browseReportPrompt = true;
  bool runCancelled = false;

  // Cancel: true when the window closes. With nothing to follow the run
  // (no preview, no report question) it closes at once.
  bool CancelClick(Prompt& prompt) {
    if (!showPreviewDlg && !browseReportPrompt) return true;
    if (prompt.Ask("Confirming exit...",
                   "Cancelling out of this dialog will abort the current optimization job.\n\nAre you sure this is "
                   "what you want?",
                   Icon::Question, Buttons::YesNo) != Answer::Yes)
      return false;
    runCancelled = true;
    return true;
  }
  // OK: true when the window closes.
  static bool OkClick(Prompt& prompt, bool runStarted) {
    if (runStarted) return true;
    prompt.Ask("No optimization performed",
               "No optimization has been performed yet. Press Begin optimization to start processing. If you "
               "wish to abort optimization, press Cancel instead.",
               Icon::Warning, Buttons::Ok);
    return false;
  }
};

}  // namespace sw
