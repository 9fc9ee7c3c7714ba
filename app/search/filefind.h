// Finding files by masks and content: a splitter for ";" lists, a wildcard
// matcher, and a search that runs on its own worker thread. No toolkit here:
// the command line uses it as it is, and the windows hand the end of a
// search over to their own thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace sw::search {

class EFileFind : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A start directory cannot be entered; the message is the system's.
class EFileFindChDir : public EFileFind {
 public:
  using EFileFind::EFileFind;
};
// A found file could not be added to the result.
class EFileFindOutOfResources : public EFileFind {
 public:
  EFileFindOutOfResources() : EFileFind("Trop de fichiers.") {}
};
// A file named for a content test cannot be read.
class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Splits a string at a separator into a list and joins it back.
class TBrkApart {
 public:
  std::string BreakString = ";";
  std::string BaseString;
  bool AllowEmptyString = false;
  std::vector<std::string> StringList;

  void Split();  // BaseString -> StringList
  void Join();   // StringList -> BaseString
  static std::vector<std::string> SplitText(const std::string& text, const std::string& sep = ";",
                                            bool allowEmpty = false);
};

// Whether a text, or any line of a set of files, contains a pattern in which
// "?" stands for any one character and "*" for any run of them.
class TMatch {
 public:
  bool CaseSensitive = false;
  std::string Source;         // the text, or ";"-separated file names
  bool SourceIsFile = false;

  void SetPattern(const std::string& p) { pattern_ = "*" + p + "*"; }
  std::string Pattern() const { return pattern_.size() >= 2 ? pattern_.substr(1, pattern_.size() - 2) : ""; }
  // Throws EInOutError when a named file cannot be read.
  bool Execute() const;

  // The whole text against the whole pattern.
  static bool Wildcard(const std::string& text, const std::string& pattern, bool caseSensitive);

 private:
  std::string pattern_ = "**";
};

// Whether a file name fits a mask: the wildcard rule with ASCII letters in
// any case, and a mask ending in ".*" also fits a name without an extension.
bool FitsMask(const std::string& name, const std::string& mask);

enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

class TFileFind;

// The worker: given everything before it starts, it fills the owner's list.
class TFindThread {
 public:
  std::vector<std::string> startDirs;
  std::vector<std::string> masks;
  std::string matchString;
  bool matchEnabled = false;
  bool matchCaseSensitive = false;
  bool recursive = true;
  TMatch* match = nullptr;
  std::vector<std::string>* filesFound = nullptr;
  std::vector<std::string>* filesSkipped = nullptr;
  std::function<bool(const std::string& name)> nameFilter;
  const std::atomic<bool>* stop = nullptr;

  // The whole search on the calling thread; throws the EFileFind errors.
  void Search();

 private:
  void SearchDir(const std::string& dir, const std::string& mask);
  bool Pseudo(const std::string& dir, uint64_t dev) const;
  std::vector<uint64_t> pseudoDevs_;
  std::unordered_set<std::string> seen_;  // a file fitting two masks is listed once
  bool stopped_ = false;
};

// Searches start directories for files fitting masks. Never follows a link to
// a folder, never enters proc, sysfs or devtmpfs, never changes the current
// directory. A link to a file that fits is listed as the link.
class TFileFind {
 public:
  TFileFind() = default;
  ~TFileFind();
  TFileFind(const TFileFind&) = delete;
  TFileFind& operator=(const TFileFind&) = delete;

  std::string FilePattern;  // "*.bak;*.tmp"
  std::string StartDir;     // ";"-separated
  bool Recursive = true;
  bool MatchEnabled = false;
  std::string MatchString;
  bool MatchCaseSensitive = false;
  search::ThreadPriority ThreadPriority = ThreadPriority::Idle;
  // Full paths in the order found. Belongs to the worker from Execute until
  // OnTerminated.
  std::vector<std::string> FilesFound;
  // Names that fit but cannot stand on a line of a list (a line end inside).
  std::vector<std::string> FilesSkipped;
  // A further test of each fitting name (the command line leaves out backups).
  std::function<bool(const std::string& name)> NameFilter;
  // The start directories as searched: each loses one trailing "/", the
  // root stays "/", and a relative one is taken from the current directory.
  static std::vector<std::string> StartDirs(const std::string& list);
  // Raised on the worker thread when a search has finished; a window passes
  // it on to its own thread.
  std::function<void(TFileFind& sender)> OnTerminated;

  // Starts the search on a worker thread and returns at once.
  void Execute();
  // The search on the calling thread; rethrows its error.
  void Run();
  void Stop() { stop_ = true; }
  void Wait();
  bool Running() const { return running_; }
  // The error that ended the last search, if any.
  std::exception_ptr Error() const { return error_; }
  std::string ErrorText() const;

 private:
  void Prepare(TFindThread& t);
  TMatch match_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::exception_ptr error_;
};

}  // namespace sw::search
