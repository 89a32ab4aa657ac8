// Print-data bytes to the text form.
#include <cstdio>
#include <map>

#include "engine/print_data.h"
#include "pdat_records.h"
#include "pdat_text.h"

namespace kestrel::pdat {
namespace {

std::string Hex(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < size; ++i) {
    s.push_back(digits[data[i] >> 4]);
    s.push_back(digits[data[i] & 15]);
  }
  return s;
}

const char* FaceName(uint8_t typeface, uint8_t charClass) {
  if (typeface == 2 && charClass == 1) return "OCR";
  if (typeface == 2 || typeface == 3 || typeface == 7) return "gothic";
  return "mincho";
}

bool IsJisClass(uint8_t charClass) { return charClass >= 3 && charClass <= 5; }

class Dumper {
 public:
  Dumper(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  std::string Run() {
    FindEnd();
    CollectTexts();
    out_ += "# print data, " + std::to_string(size_) + " bytes";
    if (hasEnd_) {
      out_ += ", " + std::to_string(end_) + " commands before end, text pool " + std::to_string(PoolSize()) +
              " bytes from byte " + std::to_string(PoolStart());
    } else {
      out_ += ", no end command";
    }
    out_ += "\n";
    size_t records = hasEnd_ ? end_ : (size_ + kCommandSize - 1) / kCommandSize;
    size_t blank = 0;
    for (size_t i = 0; i < records; ++i) {
      uint8_t record[kCommandSize] = {};
      size_t n = RecordBytes(i, record);
      bool zero = n == kCommandSize;
      for (size_t b = 0; b < n; ++b) zero = zero && record[b] == 0;
      if (zero && i != kMaxCommands) {
        ++blank;
        continue;
      }
      FlushBlank(&blank);
      if (i == kMaxCommands) out_ += "# the engine reads no record from here on (9600000 bytes)\n";
      if (zero) {
        ++blank;
        continue;
      }
      Record(record, n);
    }
    FlushBlank(&blank);
    if (hasEnd_) {
      uint8_t record[kCommandSize] = {};
      Record(record, RecordBytes(end_, record));
      Pool();
    }
    return std::move(out_);
  }

 private:
  size_t PoolStart() const { return (end_ + 1) * kCommandSize; }
  size_t PoolSize() const { return hasEnd_ && size_ > PoolStart() ? size_ - PoolStart() : 0; }

  void FindEnd() {
    for (size_t i = 0; i * kCommandSize < size_; ++i) {
      if (data_[i * kCommandSize] == uint8_t(CommandKind::End)) {
        hasEnd_ = true;
        end_ = i;
        return;
      }
    }
  }

  // Copies record i (zero-padded) and returns how many of its bytes the file holds.
  size_t RecordBytes(size_t i, uint8_t* record) const {
    size_t at = i * kCommandSize;
    size_t n = size_ - at < kCommandSize ? size_ - at : kCommandSize;
    std::memcpy(record, data_ + at, n);
    return n;
  }

  // The texts that String commands point at, with the way each is stored.
  void CollectTexts() {
    if (!hasEnd_) return;
    for (size_t i = 0; i < end_; ++i) {
      uint8_t record[kCommandSize] = {};
      RecordBytes(i, record);
      PrintCommand c;
      std::memcpy(c.bytes, record, kCommandSize);
      if (!c.is(CommandKind::String)) continue;
      StringCommand s{c};
      int64_t offset = s.textOffset();
      if (offset >= 0 && size_t(offset) < PoolSize()) texts_.emplace(size_t(offset), IsJisClass(s.charClass()));
    }
  }

  void FlushBlank(size_t* blank) {
    if (*blank == 0) return;
    out_ += "empty count=" + std::to_string(*blank) + "\n";
    *blank = 0;
  }

  void Record(const uint8_t* record, size_t n) {
    const KindLayout* layout = FindKind(record[0]);
    if (layout == nullptr) {
      out_ += "raw bytes=" + Hex(record, n) + "\n";
      return;
    }
    out_ += layout->name;
    for (size_t f = 0; f < layout->fieldCount; ++f) {
      const FieldLayout& field = layout->fields[f];
      out_ += std::string(" ") + field.name + "=" + FormatField(field.type, ReadField(record, field));
    }
    std::string unused;
    for (size_t b = 1; b < n; ++b) {
      if ((layout->usedMask >> b) & 1 || record[b] == 0) continue;
      char item[48];
      std::snprintf(item, sizeof item, "%s%zu:%02X", unused.empty() ? "" : ",", b, record[b]);
      unused += item;
    }
    if (!unused.empty()) out_ += " unused=" + unused;
    if (n < kCommandSize) out_ += " size=" + std::to_string(n);
    if (record[0] == uint8_t(CommandKind::String)) StringComment(record);
    out_ += "\n";
  }

  void StringComment(const uint8_t* record) {
    PrintCommand c;
    std::memcpy(c.bytes, record, kCommandSize);
    StringCommand s{c};
    out_ += std::string("  # ") + FaceName(s.typeface(), s.charClass());
    int64_t offset = s.textOffset();
    if (!hasEnd_) return;
    if (offset < 0 || size_t(offset) >= PoolSize()) {
      out_ += ", offset outside the text pool";
      return;
    }
    const uint8_t* text = data_ + PoolStart() + offset;
    size_t left = PoolSize() - size_t(offset);
    size_t len = 0;
    while (len < left && text[len] != 0) ++len;
    out_ += " \"" + DecodeText(text, len, IsJisClass(s.charClass()), 40) + "\"";
  }

  void Pool() {
    if (PoolSize() == 0) return;
    out_ += "# text pool\n";
    const uint8_t* pool = data_ + PoolStart();
    size_t size = PoolSize();
    size_t p = 0;
    while (p < size) {
      auto next = texts_.upper_bound(p);
      size_t limit = next == texts_.end() ? size : next->first;
      auto here = texts_.find(p);
      if (pool[p] == 0 && here == texts_.end()) {
        size_t k = 0;
        while (p + k < limit && pool[p + k] == 0) ++k;
        if (k == 1) out_ += "text @" + std::to_string(p) + " \"\"\n";
        else out_ += "zeros @" + std::to_string(p) + " count=" + std::to_string(k) + "\n";
        p += k;
        continue;
      }
      bool jis = here != texts_.end() && here->second;
      size_t q = p;
      while (q < limit && pool[q] != 0) ++q;
      bool terminated = q < limit;
      out_ += "text @" + std::to_string(p) + (jis ? " jis" : "") + " \"" + DecodeText(pool + p, q - p, jis) + "\"";
      out_ += terminated ? "\n" : " nonul\n";
      p = terminated ? q + 1 : q;
    }
  }

  const uint8_t* data_;
  size_t size_;
  bool hasEnd_ = false;
  size_t end_ = 0;
  std::map<size_t, bool> texts_;  // pool offset -> stored as JIS pairs
  std::string out_;
};

}  // namespace

std::string DumpText(const uint8_t* data, size_t size) { return Dumper(data, size).Run(); }

}  // namespace kestrel::pdat
