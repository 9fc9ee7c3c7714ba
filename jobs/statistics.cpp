#include "jobs/statistics.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "jobs/fileslist.h"
#include "jobs/jobrun.h"

namespace fs = std::filesystem;

namespace sw {

namespace {

const char* const kHeader = "Option:                        Bytes saved:      Percent of total:";

std::string Pad(std::string s, size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

// Lines collected in memory and written with CR LF in one go.
struct Lines {
  std::string text;
  Lines& operator<<(const std::string& line) {
    text += line;
    text += "\r\n";
    return *this;
  }
};

std::string Repeat(char c, int n) { return std::string(size_t(n), c); }

// Rows of one group in the order of the given table column.
std::vector<const OptionInfo*> Rows(int OptionInfo::*order, int first, int last) {
  std::vector<const OptionInfo*> rows;
  for (const auto& info : OptionTable())
    if (info.counter > 0 && info.*order >= first && info.*order <= last) rows.push_back(&info);
  std::sort(rows.begin(), rows.end(), [&](auto* a, auto* b) { return a->*order < b->*order; });
  return rows;
}

void Table(Lines& out, int OptionInfo::*order, const OptionSet& opts, const std::array<int32_t, kCounterCount + 1>& counters,
           const RunTotals& totals) {
  out << kHeader << Repeat('-', 66) << "Tag conversions" << Repeat('-', 66);
  for (const auto* info : Rows(order, 1, 18))
    if (opts[info->id]) out << FormatSavingsRow(info->reportLabel, counters[size_t(info->counter)], totals);
  out << Repeat('-', 66) << "General file optimizations" << Repeat('-', 66);
  for (const auto* info : Rows(order, 19, 24))
    if (opts[info->id]) out << FormatSavingsRow(info->reportLabel, counters[size_t(info->counter)], totals);
}

std::string ErrnoText() { return std::strerror(errno); }

// Writes (or appends) text to a file; the platform's error text on failure.
bool PutFile(const std::string& path, const std::string& text, bool append, std::string& error) {
  errno = 0;
  FILE* f = std::fopen(path.c_str(), append ? "ab" : "wb");
  if (!f) {
    error = path + ": " + ErrnoText();
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (!ok) error = path + ": " + ErrnoText();
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    error = path + ": " + ErrnoText();
  }
  return ok;
}

int32_t Percent(int64_t part, int64_t whole) { return int32_t(part * 100 / whole); }

struct SizeTexts {
  const char *before, *after, *percent, *none1, *none2;
};

// The two sizes, then the saving and its share, or the two no-savings lines.
void Sizes(Lines& out, int32_t before, int32_t after, const SizeTexts& t) {
  out << t.before + std::to_string(before) + " bytes";
  out << t.after + std::to_string(after) + " bytes";
  if (after < before && after != 0) {
    const int64_t saved = int64_t(before) - after;
    out << "Total amount saved by optimization:          " + std::to_string(saved) + " bytes";
    out << t.percent + std::to_string(Percent(saved, before)) + "%";
  } else {
    out << t.none1 << t.none2;
  }
}

}  // namespace

std::string FormatSavingsRow(const std::string& label, int32_t value, const RunTotals& totals) {
  // A label that fills the column exactly gets no blank, so the value still
  // starts under its heading; only an author's longer term keeps one blank.
  std::string row = label.size() <= 31 ? Pad(label, 31) : label + " ";
  row += Pad(value == 0 ? std::string("(n/a)") : std::to_string(value), 18);
  const int64_t saved = int64_t(totals.BytesBefore) - totals.BytesAfter;
  if (value >= 1 && saved != 0)
    row += std::to_string(Percent(value, saved)) + "%";
  else
    row += "(n/a) ";
  return row;
}

std::string ReportTimestamp(const std::tm& t) {
  static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int hour = t.tm_hour % 12;
  if (hour == 0) hour = 12;
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s. %d, %d at %d:%02d:%02d %s", kMonths[std::clamp(t.tm_mon, 0, 11)], t.tm_mday,
                t.tm_year + 1900, hour, t.tm_min, t.tm_sec, t.tm_hour < 12 ? "am" : "pm");
  return buf;
}

void StatisticsWriter::WriteDocumentStatistics(const std::string& reportName) {
  if (Failed()) return;
  const DocumentFigures& f = engine_.figures;
  const RunTotals& totals = engine_.totals;
  const bool custom = terms_ && terms_->active;
  Lines out;
  out << Repeat('-', 69) << "" << "Optimization statistics for: " << reportName << "";
  Sizes(out, f.lengthBefore, f.lengthAfter,
        {"File size prior to optimization:             ", "File size after optimization:                ",
         "Percentage reduction in file size:           ", "No savings achieved by optimization.",
         "Slimwright could not not optimize this file."});
  if (custom)
    out << "" << "Net gain or loss through author-defined"
        << "search-and-replace options:                  " + std::to_string(terms_->runCustomSaving);
  out << "";
  if (engine_.writeOptionTables) {
    out << "Per-option savings for this file" << Repeat('=', 32) << "";
    Table(out, &OptionInfo::documentRow, engine_.cx.opts, engine_.cx.savings.doc, totals);
    if (custom) {
      out << Repeat('-', 66) << "Custom search-and-replace results" << Repeat('-', 66);
      for (int n = 1; n <= terms_->count; ++n) {
        const CustomTerm& t = terms_->slots[size_t(n)];
        if (!t.enabled) continue;
        if (!t.replaceText.empty()) {
          out << "Search term: " + t.searchText;
          out << FormatSavingsRow("Replace term: " + t.replaceText, t.documentSaving, totals);
        } else {
          out << FormatSavingsRow("Deleted term: " + t.searchText, t.documentSaving, totals);
        }
      }
    }
    out << "";
  }
  PutFile(engine_.WorkFilePath("~fileinf.tmp"), out.text, true, error_);
}

bool StatisticsWriter::WriteJobStatistics() {
  const RunTotals& t = engine_.totals;
  const bool custom = terms_ && terms_->active;
  std::tm when{};
  if (now) {
    when = now();
  } else {
    std::time_t secs = std::time(nullptr);
    localtime_r(&secs, &when);
  }
  Lines out;
  out << Repeat('*', 69) << "" << "Slimwright report generated " + ReportTimestamp(when) << "";
  out << "HTML processing totals" << Repeat('=', 22) << "";
  out << "Total HTML files processed:                  " + std::to_string(t.FilesProcessed);
  Sizes(out, t.BytesBefore, t.BytesAfter,
        {"Combined web size prior to optimization:     ", "Combined web size after optimization:        ",
         "Percentage reduction in HTML content:        ", "No savings achieved in this pass.",
         "Slimwright could not not optimize this web."});
  if (custom)
    out << "" << "Net loss in file size through author-defined"
        << "search-and-replace options:                  " + std::to_string(terms_->runCustomSaving)
        << "(Note that custom search-and-replace options were specified."
        << "If custom replace terms were longer than custom search terms"
        << "then optimization statistics will show a negative skew.)";
  out << "";
  const std::string errorsPath = engine_.ErrorFilePath();
  bool copiedErrors = false;
  if (t.ErrorCount > 0) {
    out << "" << "Errors recorded in this job: " + std::to_string(t.ErrorCount) << "Specific errors:";
    std::vector<std::string> lines;
    if (ReadLines(errorsPath, lines)) {
      for (const auto& l : lines) out << l;
      copiedErrors = true;
    } else {
      out << "(Error report not found...unable to record errors)";
    }
  }
  if (verification) {
    out << "" << "Visual verification" << Repeat('=', 19)
        << "Documents rendered before and after:         " + std::to_string(verification->verified)
        << "Documents kept unchanged:                    " + std::to_string(verification->kept.size());
    for (const auto& k : verification->kept) out << k.document << "    " + k.why;
    out << "";
  }
  if (engine_.writeOptionTables) {
    out << Repeat('*', 66) << "" << "Per-option savings (HTML)" << Repeat('=', 25)
        << "This section lists the savings achieved on a per-option basis"
        << "for the current job. Statistics are provided only for the options"
        << "specified for this job." << "";
    Table(out, &OptionInfo::jobRow, engine_.cx.opts, engine_.cx.savings.job, t);
  }
  const std::string docPath = engine_.WorkFilePath("~fileinf.tmp");
  if (engine_.writeDocumentStats) {
    std::vector<std::string> lines;
    if (ReadLines(docPath, lines))
      for (const auto& l : lines) out << l;
  }
  std::error_code ec;
  if (!PutFile(engine_.WorkFilePath("~htmlwrk.tmp"), out.text, false, error_)) {
    fs::remove(docPath, ec);
    return false;
  }
  if (copiedErrors) fs::remove(errorsPath, ec);
  fs::remove(docPath, ec);
  return true;
}

}  // namespace sw
