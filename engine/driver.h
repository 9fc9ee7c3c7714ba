// The document optimization driver: one run of PrepareJob followed by one
// OptimizeDocument per document.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/dispatcher.h"
#include "engine/options.h"
#include "engine/primitives.h"
#include "engine/profile.h"
#include "engine/prompt.h"

namespace sw {

constexpr int32_t kMaxDocumentSize = 1000000;
constexpr int32_t kChunkMax = 65535;

// Result codes of a refused document.
enum ResultCode : int32_t {
  kInvalidHtml = -1,
  kPlaintext = -3,
  kTooLarge = -4,
  kTooManyScripts = -5,
  kTooManyPre = -6,
  kXmpAndPre = -7,
  kNotFound = -8,
  kWriteError = -9,
  kBadStyle = -10,
  kListingMix = -11,
  kReadError = -12,
  kBackupFailed = -13,  // recorded by the job run: no backup, document left unchanged
  kSameDocument = -14,  // recorded by the job run: an earlier entry named the same file
  kCopyOutside = -15,   // recorded by the job run: the analysis copy would lie outside its folder
  kIsBackup = -16,      // recorded by the job run: the file is the backup of another entry
};

// A document the owner may not write: no write permission for its owner, or
// (for anyone but the superuser) none for the running user.
bool IsReadOnlyDocument(const std::string& path);

// The two message texts of a result code ("" where a code has none).
std::pair<std::string, std::string> ResultMessages(int32_t code);

struct RunTotals {
  int32_t FilesProcessed = 0;
  int32_t BytesBefore = 0;
  int32_t BytesAfter = 0;
  int32_t BytesSaved = 0;
  int32_t ErrorCount = 0;
};

struct DocumentFigures {
  int32_t lengthBefore = 0;
  int32_t lengthAfter = 0;
  int32_t total = 0;
};

// The author's search-and-replace terms, as the driver applies them.
class ChunkTerms {
 public:
  virtual ~ChunkTerms() = default;
  virtual void Load(const Profile& profile) = 0;   // LoadCustomTerms
  virtual bool Active() const = 0;                 // at least one term loaded
  virtual void ZeroRun() = 0;                      // run totals to 0
  virtual void StartDocument() = 0;                // document savings to 0
  virtual void Apply(Buffer& chunk, const PassContext& cx) = 0;  // ApplyCustomTerms
  virtual int32_t FinishDocument() = 0;            // FinishDocumentTerms; the document's saving
  // A document optimized on another thread carries its terms' savings to the
  // table that keeps the run's figures. A table that cannot be copied
  // returns nullptr from Clone, and its job optimizes on one thread.
  virtual std::unique_ptr<ChunkTerms> Clone() const { return nullptr; }
  virtual std::vector<int32_t> DocumentSavings() const { return {}; }
  virtual void SetDocumentSavings(const std::vector<int32_t>& savings) { (void)savings; }
};

// When and what was read, to tell whether a file changed since.
struct FileStamp {
  uint64_t dev = 0, ino = 0;
  int64_t size = -1, mtimeNs = 0, ctimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};
// The stamp of the file at path now (size -1 when it cannot be looked at).
FileStamp StampOf(const std::string& path);

// One document read and optimized but not written: everything the write and
// the run's bookkeeping need, so that the optimizing may happen elsewhere.
struct OptimizedDocument {
  int32_t code = 0;       // a read error, a refusal of the route, or >= 0
  bool wasRead = false;   // false: code is the read's error
  Buffer original;        // as read
  Buffer output;          // what would be written; the original when refused
  FileStamp stamp;        // of the file as read
  int32_t lengthBefore = 0, lengthAfter = 0;  // stay when the buffers are let go
  std::array<int32_t, kCounterCount + 1> savings{};
  std::vector<int32_t> termSavings;
  bool Writable() const { return wasRead && code >= 0; }
};

// Per-document statistics, written after each document when asked for.
class DocumentStatsSink {
 public:
  virtual ~DocumentStatsSink() = default;
  virtual void WriteDocumentStatistics(const std::string& reportName) = 0;
};

class Engine {
 public:
  // Set by the owner before PrepareJob.
  std::string programDir;    // the program home: work files and reports
  std::string profilePath;   // the job profile (INI)
  Profile* profile = nullptr;
  Prompt* prompt = nullptr;
  ChunkTerms* terms = nullptr;
  DocumentStatsSink* stats = nullptr;
  bool outputReport = false;

  // Run state.
  PassContext cx;
  RunTotals totals;
  bool writeDocumentStats = false;
  bool writeOptionTables = false;
  std::string reportPath;  // chosen by PrepareJob; empty with the report off
  bool errorFileStarted = false;

  // Document state.
  int32_t resultCode = 0;
  DocumentFigures figures;

  void SetSlowOptimize(bool on, std::function<void()> pump) {
    cx.slowOptimize = on;
    cx.pumpFn = std::move(pump);
  }

  void PrepareJob();
  // Read, optimize, write, and account for one document.
  void OptimizeDocument(const std::string& sourcePath, const std::string& reportName,
                        const std::string& destinationPath);
  // The same in two steps. OptimizeSource only reads: an engine of its own
  // (see MakeWorker) may run it on another thread. FinishDocument, on the
  // engine that keeps the run, does the bookkeeping once the write's result
  // (0 or kWriteError; 0 when nothing was to be written) is known.
  void OptimizeSource(const std::string& sourcePath, OptimizedDocument& doc);
  void FinishDocument(OptimizedDocument& doc, int32_t writeCode, const std::string& reportName);
  // An engine with this one's options and a copy of its terms, for
  // OptimizeSource on another thread; nullptr when the terms cannot be copied.
  // workerTerms keeps the copy alive.
  std::unique_ptr<Engine> MakeWorker(std::unique_ptr<ChunkTerms>& workerTerms) const;

  // Steps 1, 4, 5, 8 and 9 of a document without any file: the filter and
  // tests use it. Returns the result code; the buffer holds the result, or the
  // input unchanged when refused.
  int32_t OptimizeBuffer(Buffer& buf);

  // The routes.
  int32_t ChooseRoute(Buffer& buf);
  int32_t OptimizeChunked(Buffer& text);
  int32_t OptimizePreBlocks(Buffer& text);
  int32_t OptimizeScriptBlocks(Buffer& text);
  int32_t OptimizeStyleBlock(Buffer& text);

  void RecordError(const std::string& reportName, int32_t code);
  std::string ErrorFilePath() const;
  std::string WorkFilePath(const std::string& name) const;

 private:
  int32_t RenamedPreRoute(Buffer& text, const char* tag);
  // Tests 4 to 8 of the decision table, also used for the text behind a STYLE block.
  int32_t ProtectedBlocksRoute(Buffer& text, bool lookForListing);
  void StartDocumentCounters();
  void FinishDocumentCounters();
  void RestoreRefused(Buffer& buf);
  Buffer original_;  // the document as read, until it is written
};

uint8_t FindBaseFontSize(std::string_view text);
int32_t ReadDocument(const std::string& path, Buffer& buf, FileStamp* stamp = nullptr);
int32_t WriteDocument(const std::string& path, const Buffer& buf);
std::string ShortenPath(const std::string& text, int maxLength);

// First PRE start tag at or after 1-based start, ignoring case: "<PRE>", or
// "<PRE" followed by a blank, tab, CR or LF (a start tag with attributes).
int32_t FindPreStart(std::string_view text, int32_t start);

}  // namespace sw
