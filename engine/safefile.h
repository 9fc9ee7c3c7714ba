// Replacing a file without ever leaving it half written: the bytes go to a
// temporary file beside the target (through a symbolic link, beside the file
// it points to), which is renamed over the target only when every byte is
// written and flushed. Until Commit succeeds the target is untouched.
#pragma once
#include <sys/types.h>

#include <string>
#include <string_view>

namespace sw {

class SafeFileWriter {
 public:
  explicit SafeFileWriter(const std::string& path);
  ~SafeFileWriter();  // removes the temporary file unless committed
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  bool ok() const { return fd_ >= 0 && ok_; }
  int fd() const { return fd_; }
  bool Write(std::string_view bytes);
  // mode < 0: the target's permission bits when it exists, else the umask's.
  bool Commit(int mode = -1);

 private:
  std::string target_, temp_;
  int fd_ = -1;
  bool ok_ = true;
  bool committed_ = false;
};

// Writes content as the whole new file.
bool ReplaceFileContent(const std::string& path, std::string_view content);

}  // namespace sw
