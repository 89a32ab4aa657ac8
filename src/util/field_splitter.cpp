#include "util/field_splitter.h"

namespace kestrel {

namespace {

constexpr char kQuote = '"';

// The field being collected; bytes beyond the limit are dropped so a
// damaged list can never grow a field without bound.
class FieldBuffer {
 public:
  void Append(char c) {
    if (bytes_.size() < FieldSplitter::kMaxFieldBytes) bytes_.push_back(c);
  }
  bool empty() const { return bytes_.empty(); }
  size_t size() const { return bytes_.size(); }
  void Clear() { bytes_.clear(); }
  SjisString Take() {
    SjisString out = std::move(bytes_);
    bytes_.clear();
    return out;
  }

 private:
  SjisString bytes_;
};

enum State { kOutside = 0, kInside = 1, kQuoteSeen = 2 };

}  // namespace

int FieldSplitter::SplitLoose(SjisView text, size_t minimumCount) {
  fields_.clear();
  FieldBuffer field;
  State state = kOutside;
  for (char c : text) {
    if (state == kQuoteSeen) {
      if (c == delimiter_) {
        fields_.push_back(field.Take());
        state = kOutside;
      } else {
        // Not a closing quote after all: it stays, with the byte after it.
        state = kInside;
        field.Append(kQuote);
        field.Append(c);
      }
      continue;
    }
    if (c == kQuote) {
      if (field.empty() && state == kOutside) {
        state = kInside;  // opening quote, not stored
        continue;
      }
      if (state == kInside && !field.empty()) {
        state = kQuoteSeen;  // closing candidate, not stored yet
        continue;
      }
      // otherwise an ordinary byte
    }
    if (c == delimiter_ && state == kOutside) {
      fields_.push_back(field.Take());
      continue;
    }
    field.Append(c);
  }
  if (!field.empty()) fields_.push_back(field.Take());
  Pad(minimumCount);
  return 0;
}

int FieldSplitter::SplitCsv(SjisView text, size_t minimumCount) {
  fields_.clear();
  FieldBuffer field;
  State state = kOutside;
  for (char c : text) {
    if (c == delimiter_ && state != kInside) {
      fields_.push_back(field.Take());
      state = kOutside;
    } else if (c == kQuote) {
      if (state == kOutside) {
        field.Clear();  // bytes before an opening quote are dropped
        state = kInside;
      } else if (state == kInside) {
        state = kQuoteSeen;
      } else {
        field.Append(kQuote);
        state = kInside;
      }
    } else if (state != kQuoteSeen) {
      field.Append(c);
    }
  }
  if (!field.empty()) fields_.push_back(field.Take());
  Pad(minimumCount);
  return 0;
}

SjisString FieldSplitter::GetField(size_t index, SjisView fallback) const {
  if (index >= fields_.size() || fields_[index].empty()) return SjisString(fallback);
  return fields_[index];
}

void FieldSplitter::Pad(size_t minimumCount) {
  while (fields_.size() < minimumCount) fields_.emplace_back();
}

}  // namespace kestrel
