#include "platform/dde.h"

namespace sw {

namespace {
class NoDdeClient : public DdeClient {
 public:
  bool Connect(const std::string&, const std::string&) override { return false; }
  bool Request(const std::string&, int, std::string*) override { return false; }
  void Disconnect() override {}
};
}  // namespace

std::unique_ptr<DdeClient> MakeSystemDdeClient() { return std::make_unique<NoDdeClient>(); }

}  // namespace sw
