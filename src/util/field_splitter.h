// FieldSplitter: comma-separated fields, optionally in double quotes, over
// Shift-JIS bytes. Written by hand because the two state machines decide
// exactly which quote characters survive (settings lists, clean-up
// patterns, font-substitution lists and the engine's character lists all
// depend on that).
//
//   SplitLoose  a,"b c",d -> a | b c | d ; "x""y" -> x""y (inner quotes kept)
//   SplitCsv    "x""y"    -> x"y ; ab"cd",e -> cd | e (bytes before a quote dropped)
//
// Both keep empty inner fields, drop one trailing empty field, and pad the
// list with empty fields up to a minimum count.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/text_codec.h"

namespace kestrel {

class FieldSplitter {
 public:
  // The longest field a split collects; longer fields are cut there.
  static constexpr size_t kMaxFieldBytes = 9999;

  FieldSplitter() = default;

  // Both return 0.
  int SplitLoose(SjisView text, size_t minimumCount = 0);
  int SplitCsv(SjisView text, size_t minimumCount = 0);

  size_t FieldCount() const { return fields_.size(); }
  // The field at index, or fallback when the index is outside the list or
  // the field is empty.
  SjisString GetField(size_t index, SjisView fallback = {}) const;
  const std::vector<SjisString>& fields() const { return fields_; }

  char delimiter() const { return delimiter_; }

 private:
  void Pad(size_t minimumCount);

  char delimiter_ = ',';
  std::vector<SjisString> fields_;
};

}  // namespace kestrel
