// The widest-line bookkeeping behind a list box whose horizontal scroll range
// follows its widest line. Toolkit-free: the owner supplies the measure.
#pragma once
#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace sw {

class WidestLine {
 public:
  using Measure = std::function<int(const std::string&)>;
  explicit WidestLine(Measure measure) : measure_(std::move(measure)) {}

  // The widest width seen among the present lines; 0 when there are none.
  int widest() const { return widest_; }
  std::size_t count() const { return widths_.size(); }

  // A row beyond the end appends.
  void Insert(std::size_t row, const std::string& line) {
    int w = measure_(line);
    widths_.insert(widths_.begin() + static_cast<std::ptrdiff_t>(std::min(row, widths_.size())), w);
    widest_ = std::max(widest_, w);
  }
  void Add(const std::string& line) { Insert(widths_.size(), line); }

  // Only the loss of the widest line makes the others count again.
  void Remove(std::size_t row) {
    if (row >= widths_.size()) return;
    int w = widths_[row];
    widths_.erase(widths_.begin() + static_cast<std::ptrdiff_t>(row));
    if (w == widest_) Recompute();
  }

  void Clear() {
    widths_.clear();
    widest_ = 0;
  }

  // A line whose text changed in place.
  void Change(std::size_t row, const std::string& line) {
    if (row >= widths_.size()) return;
    int old = widths_[row];
    widths_[row] = measure_(line);
    if (widths_[row] > widest_)
      widest_ = widths_[row];
    else if (old == widest_)
      Recompute();
  }

  // Every line measured afresh (a new font).
  void Reset(const std::vector<std::string>& lines) {
    widths_.clear();
    for (const auto& l : lines) widths_.push_back(measure_(l));
    Recompute();
  }

 private:
  void Recompute() { widest_ = widths_.empty() ? 0 : *std::max_element(widths_.begin(), widths_.end()); }

  Measure measure_;
  std::vector<int> widths_;
  int widest_ = 0;
};

}  // namespace sw
