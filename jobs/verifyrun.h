// The job's visual verification: documents of a batch render on several
// threads while the job's own thread keeps its user interface alive.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "verify/core/verifier.h"

namespace sw {

struct VerifyItem {
  std::string address;  // the document's own file: it renders there
  const OptimizedDocument* doc;
};

// One verdict per item, in order. pump, when set, runs every few
// milliseconds until all are in.
std::vector<verify::Verdict> VerifyDocuments(verify::PageVerifier& verifier, const std::vector<VerifyItem>& items,
                                             int threads, const std::function<void()>& pump);

// A rewritten document that stays as it was read: it saves nothing and is
// not written.
void KeepAsRead(OptimizedDocument& doc);

// Whether a document needs rendering at all: only a rewrite that changed
// something can change how it looks.
inline bool NeedsVerifying(const OptimizedDocument& doc) { return doc.Writable() && doc.original != doc.output; }

}  // namespace sw
