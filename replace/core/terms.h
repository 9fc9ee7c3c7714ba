// The author's search-and-replace terms, applied to every chunk of
// unprotected text after the passes.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "engine/driver.h"

namespace sw {

constexpr int kMaxCustomTerms = 31;

struct CustomTerm {
  bool enabled = false;
  std::string searchText;
  std::string replaceText;
  bool ignoreCase = true;
  int32_t lengthDelta = 0;
  int32_t documentSaving = 0;
};

// One stored entry split into its parts. Returns false without a "^^".
bool SplitTermEntry(const std::string& value, std::string& search, std::string& replace, std::string& caseFlag);

class CustomTermTable : public ChunkTerms {
 public:
  int32_t count = 0;
  bool active = false;
  std::array<CustomTerm, kMaxCustomTerms + 1> slots{};  // 1..31
  int32_t documentCustomSaving = 0;
  int32_t runCustomSaving = 0;

  void Load(const Profile& profile) override;  // LoadCustomTerms
  bool Active() const override { return active; }
  void ZeroRun() override { runCustomSaving = 0; }
  void StartDocument() override;
  void Apply(Buffer& chunk, const PassContext& cx) override;  // ApplyCustomTerms
  int32_t FinishDocument() override;                           // FinishDocumentTerms
  std::unique_ptr<ChunkTerms> Clone() const override { return std::make_unique<CustomTermTable>(*this); }
  std::vector<int32_t> DocumentSavings() const override;
  void SetDocumentSavings(const std::vector<int32_t>& savings) override;
};

}  // namespace sw
