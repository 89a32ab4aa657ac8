// Initialisation files: any bytes parse; a key written in memory reads back
// as written; the written text parses to the same lines.
#include "fuzz_support.h"
#include "util/profile_file.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  SjisView bytes(reinterpret_cast<const char*>(data), size);
  ProfileFile file;
  file.Parse(bytes);
  file.Find("SETTING", "$pmag");
  file.FindRaw("PM2", "$pdat2_ext");
  file.GetInt("SETTING", "$pmap", 1);
  file.GetReal("SETTING", "$pmag", 0.0);
  file.GetString("PDF", "$path", "");
  // The first line's name, whatever it is, as a section to look through.
  SjisView firstLine = bytes.substr(0, bytes.find('\n'));
  if (firstLine.size() > 2 && firstLine.front() == '[') {
    SjisView name = firstLine.substr(1, firstLine.find(']') == SjisView::npos ? SjisView::npos : firstLine.find(']') - 1);
    for (const std::string& key : file.Keys(Utf8FromSjis(name))) file.GetString(Utf8FromSjis(name), key, "");
  }

  file.Set("SETTING", "$pmap", "4");
  file.Set("New Section", "$key", "value");
  auto pmap = file.Find("SETTING", "$pmap");
  fuzz::Check(pmap && *pmap == "4", "a key written reads back");
  auto added = file.Find("New Section", "$key");
  fuzz::Check(added && *added == "value", "a key in a new section reads back");

  SjisString text = file.Serialize();
  ProfileFile again;
  again.Parse(text);
  fuzz::Check(again.Serialize() == text, "the written text parses to the same file");
  return 0;
}
