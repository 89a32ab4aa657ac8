// The field splitters, the comma list and the character forms on Shift-JIS
// bytes. The input is a text, a NUL, and a list (for ReplaceListedChars).
#include "fuzz_support.h"
#include "util/char_forms.h"
#include "util/comma_list.h"
#include "util/field_splitter.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  std::vector<std::string> pieces = fuzz::SplitAtNul(data, size);
  SjisView text = pieces[0];
  SjisView list = pieces.size() > 1 ? SjisView(pieces[1]) : SjisView();
  size_t minimum = size > 0 ? data[0] % 8 : 0;

  FieldSplitter loose, csv;
  loose.SplitLoose(text, minimum);
  csv.SplitCsv(text, minimum);
  fuzz::Check(loose.FieldCount() >= minimum && csv.FieldCount() >= minimum, "lists are padded");
  for (const FieldSplitter* s : {&loose, &csv}) {
    size_t total = 0;
    for (const SjisString& field : s->fields()) {
      fuzz::Check(field.size() <= FieldSplitter::kMaxFieldBytes, "fields are cut at the limit");
      total += field.size();
    }
    fuzz::Check(total <= text.size(), "fields come from the text");
    s->GetField(s->FieldCount(), "x");
    s->GetField(0);
  }

  for (int mode = 0; mode <= 4; ++mode) {
    SjisString mapped = MapCharWidth(text, mode);
    fuzz::Check(mapped.size() <= 2 * text.size(), "a mapped text at most doubles");
  }
  for (int mode = 0; mode <= 2; ++mode) {
    SjisString replaced = ReplaceListedChars(text, list, mode);
    fuzz::Check(replaced.size() <= 2 * text.size(), "a replaced text at most doubles");
  }

  std::string utf8 = Utf8FromSjis(text);
  std::string set = Utf8FromSjis(list);
  QuoteText(utf8);
  std::string left = TrimLeftChars(utf8, set);
  std::string right = TrimRightChars(utf8, set);
  std::string removed = RemoveChars(utf8, set);
  fuzz::Check(left.size() <= utf8.size() && right.size() <= utf8.size() && removed.size() <= utf8.size(),
              "trims never grow a text");
  TrimLeftChars(utf8);
  TrimRightChars(utf8);
  RemoveChars(utf8);
  SplitCommaList(text);
  return 0;
}
