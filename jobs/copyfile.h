// The file copy used for backups and analysis copies.
#pragma once
#include <memory>
#include <string>

#include "engine/prompt.h"
#include "engine/safefile.h"

namespace sw {

// Option values, read as a chain: above 16 subtract 16; 8 or more asks
// before replacing an existing destination; then 4 or more gives the copy the
// source's modification time; then 2 or more its permission bits.
constexpr int kCopyPlain = 0;        // backups: no question, fresh date and mode
constexpr int kCopyAnalysis = 16;    // analysis copies: question, date and mode

// Copies source to destination, creating the destination's folders.
// Returns true on FAILURE and false on success. A copy succeeds only when
// every byte was written and the file closed cleanly; a failed copy removes
// its partial destination. A copy never replaces its own source, and without
// the overwrite question never replaces anything but a regular file (a link
// at the destination is not followed). The copy belongs to the source's owner
// when the process may give it away. prompt may be null only when no question can come.
bool CopyFileWithOptions(const std::string& source, const std::string& destination, int options,
                         Prompt* prompt);

// A backup copy (kCopyPlain) made but not yet in place: staged holds it
// closed, not flushed to the disk, to be published after one sync of the
// file system. Returns true on FAILURE, leaving staged empty and nothing
// behind.
bool StageBackupCopy(const std::string& source, const std::string& destination,
                     std::unique_ptr<SafeFileWriter>& staged);

}  // namespace sw
