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
  // followLink false: a link at path is replaced itself, never written through.
  explicit SafeFileWriter(const std::string& path, bool followLink = true);
  ~SafeFileWriter();  // removes the temporary file unless committed
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  bool ok() const { return fd_ >= 0 && ok_; }
  int fd() const { return fd_; }
  const std::string& target() const { return target_; }
  bool Write(std::string_view bytes);
  // The new file's owner and group when the process may set them; by default
  // a replaced file keeps its own.
  void SetOwner(uid_t uid, gid_t gid) {
    uid_ = uid;
    gid_ = gid;
    ownerSet_ = true;
  }
  // mode < 0: the target's permission bits when it exists, else the umask's.
  bool Commit(int mode = -1);
  // Commit in two steps, for callers that make many files durable with one
  // sync of the file system: Prepare closes the temporary file (flushed to
  // the disk only with sync), Publish renames it over the target. Until
  // Publish succeeds the target is untouched; a writer destroyed unpublished
  // removes its temporary file.
  bool Prepare(int mode = -1, bool sync = true);
  bool Publish();
  const std::string& temporary() const { return temp_; }

 private:
  std::string target_, temp_;
  int fd_ = -1;
  bool ok_ = true;
  bool committed_ = false;
  bool prepared_ = false;
  bool ownerSet_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

// Writes content as the whole new file.
bool ReplaceFileContent(const std::string& path, std::string_view content);

// The name of the temporary files SafeFileWriter makes for a target named
// fileName: "." + fileName + ".swtmp" and six more characters.
bool IsTemporaryFor(const std::string& name, const std::string& fileName);

// Tests only: every write of a SafeFileWriter goes through this function
// (nullptr restores the system call). It returns what write(2) returns.
using WriteFunction = ssize_t (*)(const std::string& target, int fd, const char* data, size_t size);
void SetWriteFunctionForTesting(WriteFunction f);

}  // namespace sw
