// The statistics work files: one section per document in "~fileinf.tmp" and
// the job block in "~htmlwrk.tmp", from which the report is assembled.
#pragma once
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "engine/driver.h"
#include "replace/core/terms.h"

namespace sw {

struct VerificationLog;

// One table row: label padded to 31, value (or "(n/a)") padded to 18, then
// the share of the job's running saving, or "(n/a) ".
std::string FormatSavingsRow(const std::string& label, int32_t value, const RunTotals& totals);

// "Dec. 6, 1997 at 3:05:09 pm"
std::string ReportTimestamp(const std::tm& t);

class StatisticsWriter : public DocumentStatsSink {
 public:
  StatisticsWriter(const Engine& engine, const CustomTermTable* terms) : engine_(engine), terms_(terms) {}

  // Appends one section to "~fileinf.tmp". On a write error the section is
  // cut short and Failed() tells the run to stop.
  void WriteDocumentStatistics(const std::string& reportName) override;
  // Writes "~htmlwrk.tmp" anew from the run's figures and folds in
  // "~errors.tmp" and "~fileinf.tmp". Returns false on a write error.
  bool WriteJobStatistics();

  bool Failed() const { return !error_.empty(); }
  const std::string& ErrorText() const { return error_; }
  void ClearError() { error_.clear(); }

  // The clock of the date line; tests fix it.
  std::function<std::tm()> now;
  // Set when the run verified documents in a browser: the report says what it did.
  const VerificationLog* verification = nullptr;

 private:
  const Engine& engine_;
  const CustomTermTable* terms_;
  std::string error_;
};

}  // namespace sw
