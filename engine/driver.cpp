#include "engine/driver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/passes.h"
#include "engine/safefile.h"

namespace fs = std::filesystem;

namespace sw {

std::pair<std::string, std::string> ResultMessages(int32_t code) {
  switch (code) {
    case kInvalidHtml: return {"(invalid HTML document...bad syntax or missing <HTML> tag)", ""};
    case kPlaintext:
      return {"(file contains <PLAINTEXT> tag...applications of this tag",
              " are too complex for Slimwright. Optimization aborted.)"};
    case kTooLarge: return {"(file larger than 1Mb...exceeds allowable file length)", ""};
    case kTooManyScripts:
      return {"(file contains too many script blocks; only the first 255", " blocks could be processed)"};
    case kTooManyPre:
      return {"(file contains too many preformatted text (<PRE>) blocks;",
              " only the first 255 blocks could be processed)"};
    case kXmpAndPre:
      return {"(file contains overly complex formatting; unable to ",
              " process documents containing both <XMP> and <PRE> tags)"};
    case kNotFound: return {"(file not found...unable to process)", ""};
    case kWriteError: return {"(write error...disk full or unable to overwrite existing", " file"};
    case kBadStyle:
      return {"(file contains an invalid <STYLE></STYLE> tag pair...",
              " processing this document is likely to damage it)"};
    case kListingMix:
      return {"(file contains overly complex formatting; cannot process",
              " documents containing two or more of <LISTING>/<PRE>/<XMP>)"};
    case kReadError:
      return {"(read error...unable to open or read the file;", " access denied or file locked)"};
    case kBackupFailed:
      return {"(backup failed...the backup copy could not be written;", " the document was left unchanged)"};
    case kSameDocument:
      return {"(same file as an earlier entry of the list...backed up", " and optimized once, at that entry)"};
    case kIsBackup:
      return {"(file is the backup of another document of the list...", " left unchanged)"};
    case kCopyOutside:
      return {"(analysis copy would lie outside the analysis folder...", " document skipped)"};
    default: return {"", ""};
  }
}

std::string Engine::WorkFilePath(const std::string& name) const {
  return (fs::path(programDir) / name).string();
}
std::string Engine::ErrorFilePath() const { return WorkFilePath("~errors.tmp"); }

void Engine::PrepareJob() {
  // 1. Option set and custom terms.
  if (terms && profile) terms->Load(*profile);
  cx.opts = profile ? LoadOptionSet(*profile) : OptionSet{};
  // 2. Work files of an earlier run.
  std::error_code ec;
  for (const char* n : {"~fileinf.tmp", "~errors.tmp", "~htmlwrk.tmp"}) fs::remove(WorkFilePath(n), ec);
  errorFileStarted = false;
  reportPath.clear();
  if (!outputReport) {
    writeDocumentStats = writeOptionTables = false;
  } else {
    const bool detailed = profile && profile->ReadInt(kGeneralOptions, "WriteDetailedStats", 0) != 0;
    writeDocumentStats = writeOptionTables = detailed;
    // 5. The first free report name of nine.
    fs::path base = fs::path(programDir) / fs::path(profilePath).filename();
    auto numbered = [&](int n) {
      fs::path p = base;
      p.replace_extension(".r0" + std::to_string(n));
      return p;
    };
    fs::path chosen = numbered(9);
    for (int n = 1; n <= 9; ++n)
      if (!fs::exists(numbered(n), ec)) {
        chosen = numbered(n);
        break;
      }
    if (chosen == numbered(9) && fs::exists(numbered(8), ec) && prompt)
      prompt->Ask("Report limit reached",
                  "You have reached the limit of nine reports. The next report generated will overwrite the "
                  "report ending in '.r09' in Slimwright's directory if existing reports are not moved, erased "
                  "or renamed.",
                  Icon::Warning, Buttons::Ok);
    reportPath = chosen.string();
    if (profile) profile->WriteString(kGeneralOptions, "LastWrittenReport", reportPath);
  }
  // 6, 7. Zero the run.
  cx.savings.ZeroJob();
  if (terms) terms->ZeroRun();
  totals.BytesBefore = totals.BytesAfter = totals.FilesProcessed = totals.ErrorCount = 0;
}

void Engine::StartDocumentCounters() {
  cx.savings.remembered = 0;
  if (cx.savings.recording) {
    cx.savings.ZeroDocument();
    figures.total = 0;
    if (terms) terms->StartDocument();
  }
}

void Engine::FinishDocumentCounters() {
  if (!cx.savings.recording) return;
  cx.savings.AddDocumentToJob();
  int32_t custom = terms ? terms->FinishDocument() : 0;
  figures.total = cx.savings.DocumentSum();
  if (terms && terms->Active()) figures.total += custom;
  totals.BytesSaved += figures.total;
}

int32_t Engine::OptimizeBuffer(Buffer& buf) {
  resultCode = 0;
  StartDocumentCounters();
  figures.lengthBefore = int32_t(buf.size());
  resultCode = ChooseRoute(buf);
  figures.lengthAfter = int32_t(buf.size());
  FinishDocumentCounters();
  return resultCode;
}

void Engine::OptimizeDocument(const std::string& sourcePath, const std::string& reportName,
                              const std::string& destinationPath) {
  OptimizedDocument doc;
  OptimizeSource(sourcePath, doc);
  int32_t writeCode = 0;
  if (doc.Writable()) {
    if (cx.pumpFn) cx.pumpFn();
    writeCode = WriteDocument(destinationPath, doc.output);
    if (cx.pumpFn) cx.pumpFn();
  }
  FinishDocument(doc, writeCode, reportName);
}

void Engine::OptimizeSource(const std::string& sourcePath, OptimizedDocument& doc) {
  resultCode = 0;
  StartDocumentCounters();
  doc.wasRead = false;
  doc.original.clear();
  doc.code = ReadDocument(sourcePath, doc.output, &doc.stamp);
  if (doc.code < 0) return;
  doc.wasRead = true;
  cx.Pump();
  doc.code = ChooseRoute(doc.output);
  // An accepted route leaves the text as read in original_; a refused one
  // has put it back into the output.
  if (doc.code >= 0)
    doc.original.swap(original_);
  else
    doc.original = doc.output;
  original_.clear();
  doc.lengthBefore = int32_t(doc.original.size());
  doc.lengthAfter = int32_t(doc.output.size());
  doc.savings = cx.savings.doc;
  if (terms) doc.termSavings = terms->DocumentSavings();
}

void Engine::FinishDocument(OptimizedDocument& doc, int32_t writeCode, const std::string& reportName) {
  resultCode = doc.code;
  if (!doc.wasRead) {
    totals.ErrorCount += 1;
    RecordError(reportName, resultCode);
    return;
  }
  // The counters as the optimizing left them, wherever it ran.
  cx.savings.remembered = 0;
  if (cx.savings.recording) {
    cx.savings.doc = doc.savings;
    figures.total = 0;
    if (terms) terms->SetDocumentSavings(doc.termSavings);
  }
  figures.lengthBefore = doc.lengthBefore;
  totals.BytesBefore += figures.lengthBefore;
  int32_t after = doc.lengthAfter;
  if (resultCode >= 0) resultCode = writeCode;
  if (writeCode < 0) {
    // The file kept its former content, and the document saved nothing.
    after = doc.lengthBefore;
    if (cx.savings.recording) {
      cx.savings.ZeroDocument();
      if (terms) terms->StartDocument();
    }
  }
  cx.Pump();
  figures.lengthAfter = after;
  totals.BytesAfter += figures.lengthAfter;
  FinishDocumentCounters();
  if (cx.savings.recording) {
    if (writeDocumentStats && stats) stats->WriteDocumentStatistics(reportName);
    cx.Pump();
  }
  if (resultCode < 0) {
    totals.ErrorCount += 1;
    if (outputReport) RecordError(reportName, resultCode);
  }
}

std::unique_ptr<Engine> Engine::MakeWorker(std::unique_ptr<ChunkTerms>& workerTerms) const {
  workerTerms.reset();
  if (terms) {
    workerTerms = terms->Clone();
    if (!workerTerms) return nullptr;
  }
  auto w = std::make_unique<Engine>();
  w->cx.opts = cx.opts;
  w->cx.savings.recording = cx.savings.recording;
  w->terms = workerTerms.get();
  return w;
}

FileStamp StampOf(const std::string& path) {
  FileStamp s;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return s;
  s = {uint64_t(st.st_dev), uint64_t(st.st_ino), int64_t(st.st_size),
       int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
       int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
  return s;
}

int32_t Engine::ChooseRoute(Buffer& buf) {
  if (FindText(buf, "html>", -1) == 0) return kInvalidHtml;
  if (FindText(buf, "<plaintext>", -1) != 0) return kPlaintext;
  cx.baseFontSize = FindBaseFontSize(buf);
  // A route may refuse after optimizing part of the text; the document then
  // stays as it was read and counts no savings.
  original_ = buf;
  int32_t rc;
  cx.documentHasStyle = FindText(buf, "<style", -1) != 0;
  if (cx.documentHasStyle)
    rc = FindText(buf, "</style", -1) != 0 ? OptimizeStyleBlock(buf) : kBadStyle;
  else
    rc = ProtectedBlocksRoute(buf, true);
  if (rc < 0) RestoreRefused(buf);
  return rc;
}

int32_t Engine::ProtectedBlocksRoute(Buffer& text, bool lookForListing) {
  if (FindText(text, "<SCRIPT", -1) != 0) return OptimizeScriptBlocks(text);
  if (lookForListing && FindText(text, "<LISTING>", -1) != 0) {
    if (FindPreStart(text, 1) != 0 || FindText(text, "<XMP>", -1) != 0) return kListingMix;
    return RenamedPreRoute(text, "LISTING>");
  }
  if (FindText(text, "XMP>", -1) != 0)
    return FindText(text, "PRE>", -1) != 0 ? kXmpAndPre : RenamedPreRoute(text, "XMP>");
  if (FindPreStart(text, 1) != 0) return OptimizePreBlocks(text);
  return OptimizeChunked(text);
}

void Engine::RestoreRefused(Buffer& buf) {
  buf.swap(original_);
  original_.clear();
  if (cx.savings.recording) {
    cx.savings.ZeroDocument();
    if (terms) terms->StartDocument();
  }
}

int32_t Engine::RenamedPreRoute(Buffer& text, const char* tag) {
  ReplaceAll(text, tag, "PRE>", true);
  cx.literalPieces = EqualsI(tag, "XMP>");
  int32_t rc = OptimizePreBlocks(text);
  cx.literalPieces = false;
  ReplaceAll(text, "PRE>", tag, true);
  return rc;
}

int32_t Engine::OptimizeChunked(Buffer& text) {
  const int64_t len = int64_t(text.size());
  std::vector<std::pair<size_t, size_t>> chunks;  // 0-based offset, length
  int64_t start = 1;
  while (true) {
    const int64_t limit = start + kChunkMax - 1;
    if (len <= limit) {
      chunks.emplace_back(size_t(start - 1), size_t(len - start + 1));
      break;
    }
    // Only a "<P>" behind the chunk's first byte can cut it, so the search
    // stops there instead of going on to the start of the text.
    const int32_t inWindow = FindTextBack(std::string_view(text).substr(size_t(start), size_t(limit - start)), "<P>",
                                          -int32_t(limit - start));
    const int64_t cut = inWindow ? start + inWindow : 0;
    int64_t end;  // last byte of this chunk, 1-based
    if (cut > start) {
      end = cut - 1;  // the "<P>" opens the next chunk
    } else {
      // No paragraph to cut before: behind the window's last ">", else at its end.
      int64_t gt = FindCharBack(std::string_view(text).substr(0, size_t(limit)), '>', int32_t(limit));
      end = gt >= start ? gt : limit;
    }
    chunks.emplace_back(size_t(start - 1), size_t(end - start + 1));
    start = end + 1;
  }
  cx.Pump();
  if (chunks.size() == 1) {
    RunPasses(text, cx, false);
    if (terms && terms->Active()) terms->Apply(text, cx);
    return int32_t(text.size());
  }
  Buffer out;
  out.reserve(text.size());
  Buffer chunk;
  for (auto [off, n] : chunks) {
    chunk.assign(text, off, n);
    RunPasses(chunk, cx, false);
    if (terms && terms->Active()) terms->Apply(chunk, cx);
    out += chunk;
  }
  text.swap(out);
  return int32_t(text.size());
}

namespace {

// Cuts text into alternating outside/protected pieces. Returns false when the
// table of 256 pieces fills up.
template <class FindOpen>
bool SplitPieces(const Buffer& text, FindOpen findOpen, const char* close, size_t closeLen,
                 std::vector<Buffer>& pieces) {
  const int32_t len = int32_t(text.size());
  int32_t start = 1;
  pieces.clear();
  for (int k = 0; k < 256; ++k) {
    int32_t found = (k % 2 == 0) ? findOpen(text, start) : FindText(text, close, -start);
    if (start > len) found = 0;
    if (found == 0 || found == len) {
      pieces.emplace_back(text, size_t(start - 1));
      return k < 255;
    }
    int32_t n = found - start + ((k % 2) ? int32_t(closeLen) : 0);
    pieces.emplace_back(text, size_t(start - 1), size_t(n));
    start += n;
  }
  return false;
}

Buffer Join(const std::vector<Buffer>& pieces) {
  size_t total = 0;
  for (auto& p : pieces) total += p.size();
  Buffer out;
  out.reserve(total);
  for (auto& p : pieces) out += p;
  return out;
}

}  // namespace

int32_t FindPreStart(std::string_view text, int32_t start) {
  int32_t p = start;
  while (p >= 1 && (p = FindText(text, "<PRE", -p)) != 0) {
    size_t after = size_t(p - 1 + 4);
    if (after < text.size()) {
      char c = text[after];
      if (c == '>' || c == ' ' || c == '\t' || c == '\r' || c == '\n') return p;
    }
    ++p;
  }
  return 0;
}

int32_t Engine::OptimizePreBlocks(Buffer& text) {
  std::vector<Buffer> pieces;
  bool ok = SplitPieces(text, [](const Buffer& t, int32_t s) { return FindPreStart(t, s); }, "</PRE>", 6, pieces);
  cx.Pump();
  if (!ok) return kTooManyPre;
  const size_t last = pieces.size() - 1;
  int32_t rc = 0;
  for (size_t i = 0; i <= last; ++i) {
    if (i % 2 == 0) {
      rc = OptimizeChunked(pieces[i]);
    } else {
      // A browser shows the markup of an XMP block as text: any change to it shows.
      if (i < last && !cx.literalPieces) {
        RunPasses(pieces[i], cx, true);
        TidyPreformatted(pieces[i], cx);
      }
      if (i < last) rc = 0;
      cx.Pump();
    }
  }
  text = Join(pieces);
  return rc;
}

int32_t Engine::OptimizeScriptBlocks(Buffer& text) {
  std::vector<Buffer> pieces;
  bool ok = SplitPieces(text, [](const Buffer& t, int32_t s) { return FindText(t, "<script", -s); }, "</script>",
                        9, pieces);
  cx.Pump();
  if (!ok) return kTooManyScripts;
  int32_t rc = 0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i % 2 == 0) {
      rc = FindPreStart(pieces[i], 1) != 0 ? OptimizePreBlocks(pieces[i]) : OptimizeChunked(pieces[i]);
    } else if (cx.opts[Opt::OptimizeScripts]) {
      OptimizeScriptBlock(pieces[i], cx);
      rc = 0;
    }
  }
  text = Join(pieces);
  return rc;
}

int32_t Engine::OptimizeStyleBlock(Buffer& text) {
  int32_t s = FindText(text, "<style", -1);
  int32_t e = s ? FindText(text, "</style", -s) : 0;
  if (e == 0) return kBadStyle;
  const size_t styleEnd = std::min(text.size(), size_t(e - 1 + 8));  // 0-based, exclusive
  Buffer head(text, 0, size_t(s - 1));
  Buffer style(text, size_t(s - 1), styleEnd - size_t(s - 1));
  Buffer rest(text, styleEnd);
  OptimizeChunked(head);
  OptimizeStyleBlockText(style, cx);
  // LISTING is not looked for behind a STYLE block.
  const int32_t rc = ProtectedBlocksRoute(rest, false);
  text.clear();
  text.reserve(head.size() + style.size() + rest.size());
  text += head;
  text += style;
  text += rest;
  return rc;
}

uint8_t FindBaseFontSize(std::string_view text) {
  int32_t b = FindText(text, "basefont", -1);
  if (b == 0) return 3;
  int32_t s = FindText(text, "size", -b);
  int32_t g = FindChar(text, '>', b);
  if (s == 0 || g == 0 || g < s) return 3;
  size_t p = size_t(s - 1 + 4);
  auto at = [&](char c) { return p < text.size() && text[p] == c; };
  if (at(' ')) ++p;
  if (at('=')) ++p;
  if (at(' ')) ++p;
  if (at('"')) ++p;
  if (p < text.size() && text[p] >= '0' && text[p] <= '9') return uint8_t(text[p] - '0');
  return 3;
}

int32_t ReadDocument(const std::string& path, Buffer& buf, FileStamp* stamp) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? kNotFound : kReadError;
  if (S_ISDIR(st.st_mode)) return kNotFound;
  if (!S_ISREG(st.st_mode)) return kReadError;
  if (st.st_size > kMaxDocumentSize) return kTooLarge;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kReadError;
  Buffer data;
  data.resize(size_t(st.st_size));
  size_t got = 0;
  char extra;
  while (true) {
    ssize_t r = got < data.size() ? ::read(fd, data.data() + got, data.size() - got) : ::read(fd, &extra, 1);
    if (r < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return kReadError;
    }
    if (r == 0) break;
    if (got >= data.size()) {  // grew while we read it
      ::close(fd);
      return kTooLarge;
    }
    got += size_t(r);
  }
  if (stamp) {
    struct stat now;
    if (::fstat(fd, &now) == 0)
      *stamp = {uint64_t(now.st_dev), uint64_t(now.st_ino), int64_t(now.st_size),
                int64_t(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec,
                int64_t(now.st_ctim.tv_sec) * 1000000000 + now.st_ctim.tv_nsec};
  }
  ::close(fd);
  data.resize(got);
  buf.swap(data);
  return 0;
}

bool IsReadOnlyDocument(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  // The superuser passes every access check, so the owner's bit decides too.
  if ((st.st_mode & S_IWUSR) == 0) return true;
  return ::geteuid() != 0 && ::access(path.c_str(), W_OK) != 0;
}

int32_t WriteDocument(const std::string& path, const Buffer& buf) {
  // A rename would replace a read-only document as easily as any other.
  if (IsReadOnlyDocument(path)) return kWriteError;
  // A failed write leaves the document as it was.
  return ReplaceFileContent(path, buf) ? 0 : kWriteError;
}

void Engine::RecordError(const std::string& reportName, int32_t code) {
  auto [m1, m2] = ResultMessages(code);
  std::ofstream f(ErrorFilePath(), std::ios::binary | (errorFileStarted ? std::ios::app : std::ios::trunc));
  if (!f) return;
  errorFileStarted = true;
  f << ShortenPath(reportName, 60) << "\r\n" << m1 << "\r\n" << m2 << "\r\n\r\n";
}

std::string ShortenPath(const std::string& text, int maxLength) {
  const int len = int(text.size());
  if (len <= maxLength || maxLength < 4) return text;
  const int excess = len - maxLength + 3;
  const size_t f = text.find('/'), l = text.rfind('/');
  const int first = f == std::string::npos ? 0 : int(f) + 1;  // 1-based, 0 when none
  const int last = l == std::string::npos ? 0 : int(l) + 1;
  if (first == last) return text.substr(0, size_t(maxLength - 3)) + "...";
  if (last - first > excess) return text.substr(0, size_t(last - excess - 1)) + "..." + text.substr(size_t(last - 1));
  int mid = std::max(len - excess - first - 3, 2);
  return text.substr(0, size_t(first)) + "..." + text.substr(size_t(last - 1), size_t(mid)) + "...";
}

}  // namespace sw
