// File-system helpers of the desktop program: sizes, trash and directory
// removal.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sw {

bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
// Size in bytes, -1 when the file cannot be measured.
int64_t FileSizeOrMinus1(const std::string& path);

bool CopyWholeFile(const std::string& from, const std::string& to);
bool MoveToTrash(const std::string& path);
// Removes a directory with everything below it; files go to the trash when
// asked. False when anything is left.
bool RemoveTree(const std::string& dir, bool toTrash);

}  // namespace sw
