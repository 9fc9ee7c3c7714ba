#include "replace/core/terms.h"

namespace sw {

bool SplitTermEntry(const std::string& value, std::string& search, std::string& replace, std::string& caseFlag) {
  size_t a = value.find("^^");
  if (a == std::string::npos) return false;
  search = value.substr(0, a);
  std::string rest = value.substr(a + 2);
  size_t b = rest.find("^^");
  if (b == std::string::npos) {
    replace = rest;
    caseFlag = "0";
  } else {
    replace = rest.substr(0, b);
    caseFlag = rest.substr(b + 2);
  }
  return true;
}

void CustomTermTable::Load(const Profile& profile) {
  *this = CustomTermTable{};
  for (int n = 1; n <= kMaxCustomTerms; ++n)
    slots[size_t(n)].enabled = profile.ReadInt(kCustomSection, "ExecCustomReplace" + std::to_string(n), 0) == 1;
  for (int n = 1; n <= kMaxCustomTerms; ++n) {
    std::string v = profile.ReadString(kCustomSection, "CustomReplace" + std::to_string(n), "");
    if (v.empty()) break;
    CustomTerm& t = slots[size_t(n)];
    if (t.enabled) {
      std::string flag;
      if (!SplitTermEntry(v, t.searchText, t.replaceText, flag)) {
        t = CustomTerm{};
        break;
      }
      // Only an explicit "0" ignores case; an empty flag matches case.
      t.ignoreCase = flag == "0";
      t.lengthDelta = int32_t(t.searchText.size()) - int32_t(t.replaceText.size());
    }
    count = n;
  }
  for (int n = count + 1; n <= kMaxCustomTerms; ++n) slots[size_t(n)] = CustomTerm{};
  active = count > 0;
}

void CustomTermTable::StartDocument() {
  documentCustomSaving = 0;
  for (auto& s : slots) s.documentSaving = 0;
}

void CustomTermTable::Apply(Buffer& chunk, const PassContext& cx) {
  for (int n = 1; n <= count; ++n) {
    CustomTerm& t = slots[size_t(n)];
    if (!t.enabled) continue;
    int32_t hits = ReplaceAll(chunk, t.searchText, t.replaceText, t.ignoreCase);
    t.documentSaving += hits * t.lengthDelta;
    cx.Pump();
  }
}

int32_t CustomTermTable::FinishDocument() {
  documentCustomSaving = 0;
  for (int n = 1; n <= count; ++n) documentCustomSaving += slots[size_t(n)].documentSaving;
  runCustomSaving += documentCustomSaving;
  return documentCustomSaving;
}

std::vector<int32_t> CustomTermTable::DocumentSavings() const {
  std::vector<int32_t> v;
  v.reserve(slots.size());
  for (const auto& s : slots) v.push_back(s.documentSaving);
  return v;
}

void CustomTermTable::SetDocumentSavings(const std::vector<int32_t>& savings) {
  for (size_t n = 0; n < slots.size(); ++n) slots[n].documentSaving = n < savings.size() ? savings[n] : 0;
}

}  // namespace sw
