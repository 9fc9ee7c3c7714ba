#include "jobs/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "jobs/fileslist.h"

namespace fs = std::filesystem;

namespace sw {

namespace {

void Put(std::string& out, const std::string& line) {
  out += line;
  out += "\r\n";
}

}  // namespace

ReportResult WriteJobReport(const std::string& programDir, const std::string& reportPath,
                            const std::string& filesListPath, Prompt& prompt, std::string* errorText) {
  auto fail = [&](const std::string& path) {
    if (errorText) *errorText = path + ": " + std::strerror(errno);
    return ReportResult::IoError;
  };
  errno = 0;
  FILE* f = std::fopen(reportPath.c_str(), "wb");
  if (!f) return fail(reportPath);
  const fs::path dir(programDir);
  const std::string work = (dir / "~htmlwrk.tmp").string();
  std::vector<std::string> lines;
  if (!ReadLines(work, lines)) {
    std::fclose(f);
    prompt.Ask("Report data not found...aborting",
               "Summary statistics for this job cannot be found. Unable to write report.", Icon::Error, Buttons::Ok);
    return ReportResult::NoStatistics;
  }
  std::string out;
  for (const auto& l : lines) Put(out, l);
  // Work files are removed only once the report holds them.
  std::vector<std::string> consumed{work};
  const std::string comments = (dir / "~comment.tmp").string();
  if (ReadLines(comments, lines)) {
    Put(out, std::string(66, '*'));
    Put(out, "");
    Put(out, "Comments regarding this job:");
    Put(out, std::string(28, '='));
    for (const auto& l : lines) Put(out, l);
    Put(out, "");
    consumed.push_back(comments);
  }
  const std::string images = (dir / "~imgwrk.tmp").string();
  if (ReadLines(images, lines)) {
    Put(out, std::string(66, '*'));
    Put(out, "");
    for (const auto& l : lines) Put(out, l);
    consumed.push_back(images);
  }
  if (ReadLines(filesListPath, lines)) {
    Put(out, std::string(66, '*'));
    Put(out, "");
    Put(out, "List of all files specified for this job:");
    Put(out, std::string(41, '='));
    for (const auto& l : lines) Put(out, l);
  }
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (std::fclose(f) != 0) ok = false;
  if (!ok) return fail(reportPath);
  std::error_code ec;
  for (const auto& p : consumed) fs::remove(p, ec);
  return ReportResult::Written;
}

}  // namespace sw
