// File-system helpers of the desktop program: tests, sizes, copies, trash.
#pragma once
#include <cstdint>
#include <string>

namespace sw {

bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
// Size in bytes, -1 when the file cannot be measured.
int64_t FileSizeOrMinus1(const std::string& path);

// Replaces the destination atomically.
bool CopyWholeFile(const std::string& from, const std::string& to);
// The desktop trash.
bool MoveToTrash(const std::string& path);

}  // namespace sw
