// The numbered job report: the job statistics, the optional comment and
// image blocks and the job's files list, in one plain-text file.
#pragma once
#include <string>

#include "engine/prompt.h"

namespace sw {

enum class ReportResult {
  Written,
  NoStatistics,  // "~htmlwrk.tmp" missing: an empty report stays behind
  IoError,
};

// Writes the report under reportPath from the work files in programDir and
// the files list. On IoError, *errorText holds the platform's text.
ReportResult WriteJobReport(const std::string& programDir, const std::string& reportPath,
                            const std::string& filesListPath, Prompt& prompt, std::string* errorText = nullptr);

}  // namespace sw
