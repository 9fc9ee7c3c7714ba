// Client side of a DDE conversation with a web browser. Linux has no DDE
// server, so the system client never opens a link and callers take their
// command-line fall-backs; tests script a fake client.
#pragma once
#include <memory>
#include <string>

namespace sw {

class DdeClient {
 public:
  virtual ~DdeClient() = default;
  // One connect attempt to a service and topic.
  virtual bool Connect(const std::string& service, const std::string& topic) = 0;
  // Text request transaction; false when no answer came within the time-out.
  virtual bool Request(const std::string& item, int timeoutMs, std::string* reply) = 0;
  virtual void Disconnect() = 0;
};

std::unique_ptr<DdeClient> MakeSystemDdeClient();

}  // namespace sw
