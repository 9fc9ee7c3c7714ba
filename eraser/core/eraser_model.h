// What the backup eraser decides, without widgets: its settings, the list of
// erasable files with their total, exemptions and the three ways of erasing.
// The eraser window and `slimwright erase` are both views over it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/search/filefind.h"
#include "engine/prompt.h"
#include "engine/profile.h"

namespace sw::eraser {

inline constexpr const char* kSection = "Backup Eraser";
inline constexpr const char* kDefaultMask = "*.srbak";
inline constexpr int kMaskLimit = 254;
inline constexpr int kHelpContext = 93872;
inline constexpr int kMaskHelpContext = 26000;
inline constexpr const char* kConfirmCaption = "Confirming delete";
inline constexpr const char* kConfirmText = "Ready to delete all files in the list?";
inline constexpr const char* kNotErasedCaption = "Backup eraser";

enum class EraseStyle { Normal, Recycle, Shred };

// "Shred" and "Recycle" in any letter case; anything else is a normal delete.
EraseStyle ParseStyle(const std::string& stored);
const char* StyleName(EraseStyle style);

// The mask list is shown with ";" and stored with "," (an INI value).
std::string MaskShown(const std::string& stored);
std::string MaskStored(const std::string& shown);

std::string HomeFolder();
// The stored directory while it exists, else the user's home folder.
std::string StartDirectory(const std::string& stored);

struct EraserSettings {
  std::string mask = kDefaultMask;  // shown form
  bool subdirs = true;
  std::string directory;  // where a search starts (existing)
  EraseStyle style = EraseStyle::Normal;
};
// Reads the settings with their defaults; writes nothing.
EraserSettings ReadEraserSettings(const Profile& ini);

// The mask editor's stock masks and its double-click rule.
const std::vector<std::string>& StockMasks();
std::string AppendStockMask(const std::string& current, const std::string& stock);

struct Listed {
  std::string path;
  int64_t size = 0;   // bytes; a link counts its own size, not its target's
  bool link = false;  // listed as a symbolic link
};

enum class EraseOutcome {
  Erased,
  Gone,     // no longer there: dropped
  Changed,  // no longer the kind of file listed: dropped, not touched
  Failed,   // still there: stays listed
};

// The system calls that remove files; tests replace them.
struct EraseOps {
  std::function<bool(const std::string& path, std::string* error)> remove;
  std::function<bool(const std::string& path)> trash;
  // Runs after a secure erase has overwritten a file and flushed it, just
  // before the delete.
  std::function<void(const std::string& path)> beforeDelete;
};
EraseOps SystemEraseOps();

// Erases one listed file, after checking that it still is what was listed.
// A link is removed itself; its target is never opened.
EraseOutcome EraseOne(const Listed& file, EraseStyle style, const EraseOps& ops, std::string* error);

struct EraseResult {
  std::string path;
  EraseOutcome outcome;
  std::string error;
};

class EraserModel {
 public:
  // With `ini` null the settings are used but never written (the command line).
  EraserModel(Profile* ini, Prompt& prompt, EraseOps ops = SystemEraseOps());

  search::TFileFind FF1;

  // Each showing of the window: reads the settings and stores them again at once.
  void Show();

  const std::string& SrcDir() const { return srcDir_; }
  const std::string& Mask() const { return mask_; }
  bool SubDirs() const { return subDirs_; }
  EraseStyle Style() const { return style_; }
  // Each change is stored at once.
  void SetSrcDir(const std::string& dir);
  void SetMask(const std::string& shown);
  void SetSubDirs(bool on);
  void SetStyle(EraseStyle style);

  // Hands the settings to FF1; the caller runs it and then calls SearchEnded.
  void PrepareSearch();
  void SearchEnded();

  const std::vector<Listed>& Lines() const { return lines_; }
  // Removes the given rows from the list.
  void Exempt(std::vector<int> rows);

  int64_t Total() const;
  std::string Readout() const;
  bool CanErase() const { return fresh_ && !lines_.empty(); }

  // Asks, then erases the listed files from the last to the first. Lines that
  // could not be erased stay listed and a warning says how many. Returns
  // what happened to each line, in the order handled (empty on Cancel).
  std::vector<EraseResult> EraseAll();

 private:
  void Store(const char* key, const std::string& value);
  Profile* ini_;
  Prompt& prompt_;
  EraseOps ops_;
  std::string srcDir_, mask_ = kDefaultMask;
  bool subDirs_ = true;
  EraseStyle style_ = EraseStyle::Normal;
  std::vector<Listed> lines_;
  bool fresh_ = false;  // the list comes from a search since the window was shown
};

}  // namespace sw::eraser
