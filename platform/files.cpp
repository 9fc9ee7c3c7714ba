#include "platform/files.h"

#include <QFile>
#include <QString>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/inifile.h"

namespace fs = std::filesystem;

namespace sw {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool DirExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

int64_t FileSizeOrMinus1(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return -1;
  auto n = fs::file_size(path, ec);
  return ec ? -1 : int64_t(n);
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  // A profile copied over the current one is replaced whole or not at all.
  return AtomicWriteFile(to, content);
}

bool MoveToTrash(const std::string& path) { return QFile::moveToTrash(QString::fromLocal8Bit(path.c_str())); }

}  // namespace sw
