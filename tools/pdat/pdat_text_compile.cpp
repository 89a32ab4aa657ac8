// The text form to print-data bytes.
#include <map>

#include "engine/print_data.h"
#include "pdat_records.h"
#include "pdat_text.h"

namespace kestrel::pdat {
namespace {

// Upper bounds that keep a typing slip from asking for gigabytes.
constexpr int64_t kMaxEmptyRecords = 1000000;
constexpr int64_t kMaxZeroBytes = 16 * 1000 * 1000;
// A page is read up to 9,600,000 bytes; compiled files may be larger (to
// test that cut), but not without bound.
constexpr size_t kMaxOutputBytes = 64u << 20;

struct Token {
  enum Kind { Word, KeyValue, Quoted, At } kind = Word;
  std::string key;    // Word: the word; KeyValue: the key
  std::string value;  // KeyValue with a bare value
  bool quoted = false;
  std::vector<TextPiece> pieces;  // Quoted, or KeyValue with a quoted value
  int64_t number = 0;             // At
};

struct LineError {
  std::string message;
};

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text starting at line[i] == '"'; i ends after the closing quote.
std::vector<TextPiece> ReadQuoted(std::string_view line, size_t& i) {
  std::vector<TextPiece> pieces;
  auto add = [&](bool raw, std::string_view bytes) {
    if (pieces.empty() || pieces.back().raw != raw) pieces.push_back({raw, {}});
    pieces.back().bytes += bytes;
  };
  ++i;
  while (true) {
    if (i >= line.size()) throw LineError{"the quoted text has no closing \""};
    char c = line[i];
    if (c == '"') {
      ++i;
      return pieces;
    }
    if (c != '\\') {
      add(false, line.substr(i, 1));
      ++i;
      continue;
    }
    char e = i + 1 < line.size() ? line[i + 1] : '\0';
    if (e == '\\' || e == '"') {
      add(true, std::string(1, e));
      i += 2;
    } else if (e == 'x' && i + 3 < line.size() && HexDigit(line[i + 2]) >= 0 && HexDigit(line[i + 3]) >= 0) {
      add(true, std::string(1, char(HexDigit(line[i + 2]) * 16 + HexDigit(line[i + 3]))));
      i += 4;
    } else {
      throw LineError{"unknown escape \"\\" + std::string(e == '\0' ? "" : std::string(1, e)) +
                      "\" in a quoted text (write \\\\, \\\" or \\xHH with two hex digits)"};
    }
  }
}

std::vector<Token> Tokenize(std::string_view line) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    if (i >= line.size() || line[i] == '#') break;
    Token t;
    if (line[i] == '"') {
      t.kind = Token::Quoted;
      t.pieces = ReadQuoted(line, i);
    } else {
      size_t start = i;
      while (i < line.size() && !IsSpace(line[i]) && line[i] != '=' && line[i] != '"' && line[i] != '#') ++i;
      std::string word(line.substr(start, i - start));
      if (i < line.size() && line[i] == '=') {
        t.kind = Token::KeyValue;
        t.key = word;
        ++i;
        if (word.empty()) throw LineError{"\"=\" without a field name before it"};
        if (i < line.size() && line[i] == '"') {
          t.quoted = true;
          t.pieces = ReadQuoted(line, i);
        } else {
          size_t vs = i;
          while (i < line.size() && !IsSpace(line[i]) && line[i] != '"' && line[i] != '#') ++i;
          t.value = std::string(line.substr(vs, i - vs));
          if (t.value.empty()) throw LineError{"field " + word + " has no value"};
        }
      } else if (i < line.size() && line[i] == '"') {
        throw LineError{"a quoted text must stand apart from \"" + word + "\""};
      } else if (!word.empty() && word[0] == '@') {
        t.kind = Token::At;
        if (!ParseNumber(std::string_view(word).substr(1), &t.number) || t.number < 0)
          throw LineError{"\"" + word + "\" is not a text pool offset (@ and a number)"};
      } else {
        t.kind = Token::Word;
        t.key = word;
      }
    }
    if (i < line.size() && !IsSpace(line[i]) && line[i] != '#')
      throw LineError{"put a space after " + std::string(t.kind == Token::Quoted ? "the quoted text" : t.key)};
    tokens.push_back(std::move(t));
  }
  return tokens;
}

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Token::Word:
      return "\"" + t.key + "\"";
    case Token::KeyValue:
      return "field " + t.key;
    case Token::Quoted:
      return "a quoted text";
    case Token::At:
      return "@" + std::to_string(t.number);
  }
  return "?";
}

int64_t Count(const Token& t, int64_t max) {
  int64_t v;
  if (t.quoted || !ParseNumber(t.value, &v) || v < 1 || v > max)
    throw LineError{"count=" + t.value + " is not a number from 1 to " + std::to_string(max)};
  return v;
}

class Compiler {
 public:
  bool Run(std::string_view text, std::vector<uint8_t>* out, CompileError* error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // byte-order mark
    int lineNo = 0;
    try {
      size_t start = 0;
      while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++lineNo;
        line_ = lineNo;
        Line(line);
        start = nl + 1;
      }
      PlaceTexts();
    } catch (const LineError& e) {
      error->line = line_;
      error->message = e.message;
      return false;
    }
    out->assign(area_.begin(), area_.end());
    out->insert(out->end(), pool_.begin(), pool_.end());
    return true;
  }

 private:
  // A string command whose text= text goes to the pool once all lines are read.
  struct PendingText {
    bool inPool;  // the record lies in the pool (after end)
    size_t at;    // its byte position there
    std::string bytes;
    int line;
  };

  std::vector<uint8_t>& Target() { return hasEnd_ ? pool_ : area_; }

  void Append(const uint8_t* bytes, size_t n) {
    if (cutLine_ != 0)
      throw LineError{"nothing may follow the cut record (size below 16) on line " + std::to_string(cutLine_)};
    if (n > kMaxOutputBytes - area_.size() - pool_.size())
      throw LineError{"the print data would pass 64 MiB (the engine reads 9,600,000 bytes)"};
    Target().insert(Target().end(), bytes, bytes + n);
  }

  void Line(std::string_view line) {
    std::vector<Token> tokens = Tokenize(line);
    if (tokens.empty()) return;
    if (tokens[0].kind != Token::Word) throw LineError{"a line begins with a command name, not " + Describe(tokens[0])};
    const std::string& name = tokens[0].key;
    std::vector<Token> args(tokens.begin() + 1, tokens.end());
    if (const KindLayout* layout = FindKindByName(name)) return Command(*layout, args);
    if (name == "raw") return Raw(args);
    if (name == "empty") return Empty(args);
    if (name == "text") return Text(args);
    if (name == "zeros") return Zeros(args);
    throw LineError{"unknown command \"" + name +
                    "\" (commands: paper, palette, paint, line, circle, string, end, raw, empty, text, zeros)"};
  }

  void Command(const KindLayout& layout, const std::vector<Token>& args) {
    uint8_t record[kCommandSize] = {};
    record[0] = layout.kind;
    bool seen[9] = {};
    std::map<std::string, bool> extras;
    size_t size = kCommandSize;
    const Token* text = nullptr;
    bool hasOffset = false;
    for (const Token& t : args) {
      if (t.kind != Token::KeyValue) throw LineError{"unexpected " + Describe(t) + " in a " + layout.name + " command"};
      if (layout.kind == uint8_t(CommandKind::String) && t.key == "text") {
        if (!t.quoted) throw LineError{"text= takes a quoted text"};
        if (text != nullptr) throw LineError{"field text given twice"};
        text = &t;
        continue;
      }
      if (t.quoted) throw LineError{"field " + t.key + " takes a bare value, not a quoted text"};
      if (t.key == "unused" || t.key == "size") {
        if (extras[t.key]) throw LineError{"field " + t.key + " given twice"};
        extras[t.key] = true;
        if (t.key == "size") {
          int64_t v;
          if (!ParseNumber(t.value, &v) || v < 1 || v > 16)
            throw LineError{"size=" + t.value + " is not a record size from 1 to 16"};
          size = size_t(v);
        } else {
          Unused(layout, t.value, record);
        }
        continue;
      }
      size_t f = 0;
      while (f < layout.fieldCount && t.key != layout.fields[f].name) ++f;
      if (f == layout.fieldCount) throw LineError{"unknown field " + t.key + " in a " + layout.name + " command" + Fields(layout)};
      if (seen[f]) throw LineError{"field " + t.key + " given twice"};
      seen[f] = true;
      int64_t value;
      std::string message;
      if (!ParseField(layout.fields[f].type, t.value, &value, &message)) throw LineError{t.key + ": " + message};
      WriteField(record, layout.fields[f], value);
      if (std::string_view(layout.fields[f].name) == "offset") hasOffset = true;
    }
    if (text != nullptr && hasOffset) throw LineError{"give either offset= or text=, not both"};
    for (size_t f = 0; f < layout.fieldCount; ++f) {
      bool isOffset = std::string_view(layout.fields[f].name) == "offset";
      if (!seen[f] && !(isOffset && text != nullptr))
        throw LineError{"missing field " + std::string(layout.fields[f].name) + Fields(layout)};
    }
    for (size_t b = size; b < kCommandSize; ++b)
      if (record[b] != 0)
        throw LineError{"size=" + std::to_string(size) + " cuts off byte " + std::to_string(b) +
                        ", which is not zero (the fields there must be 0)"};
    if (text != nullptr) {
      if (size < kCommandSize) throw LineError{"a cut string record cannot take text="};
      std::string bytes, message;
      bool jis = record[7] >= 3 && record[7] <= 5;
      if (!EncodeText(text->pieces, jis, &bytes, &message)) throw LineError{"text: " + message};
      pending_.push_back({hasEnd_, Target().size(), std::move(bytes), line_});
    }
    Append(record, size);
    if (size < kCommandSize) cutLine_ = line_;
    if (layout.kind == uint8_t(CommandKind::End) && !hasEnd_) hasEnd_ = true;
  }

  static std::string Fields(const KindLayout& layout) {
    std::string list;
    for (size_t f = 0; f < layout.fieldCount; ++f) list += std::string(f ? ", " : "") + layout.fields[f].name;
    return list.empty() ? "" : " (a " + std::string(layout.name) + " command has " + list + ")";
  }

  // unused=6:AB,9:01 — bytes the engine does not read.
  void Unused(const KindLayout& layout, const std::string& value, uint8_t* record) {
    size_t i = 0;
    while (i < value.size()) {
      size_t comma = value.find(',', i);
      if (comma == std::string::npos) comma = value.size();
      std::string item = value.substr(i, comma - i);
      size_t colon = item.find(':');
      int64_t at;
      int hi = colon != std::string::npos && colon + 1 < item.size() ? HexDigit(item[colon + 1]) : -1;
      int lo = colon != std::string::npos && colon + 2 < item.size() ? HexDigit(item[colon + 2]) : -1;
      if (colon == std::string::npos || !ParseNumber(item.substr(0, colon), &at) || hi < 0 || lo < 0 ||
          item.size() != colon + 3)
        throw LineError{"unused: \"" + item + "\" is not byte:HH (for example 12:FF)"};
      if (at < 1 || at > 15 || ((layout.usedMask >> at) & 1))
        throw LineError{"unused: byte " + std::to_string(at) + " is not an unused byte of a " + layout.name +
                        " record"};
      record[at] = uint8_t(hi * 16 + lo);
      i = comma + 1;
    }
  }

  void Raw(const std::vector<Token>& args) {
    if (args.size() != 1 || args[0].kind != Token::KeyValue || args[0].key != "bytes" || args[0].quoted)
      throw LineError{"raw takes one field: bytes=<2 to 32 hex digits>"};
    const std::string& hex = args[0].value;
    if (hex.size() < 2 || hex.size() > 32 || hex.size() % 2 != 0)
      throw LineError{"bytes= needs an even number of hex digits, 2 to 32 (one record at most)"};
    uint8_t record[kCommandSize] = {};
    for (size_t b = 0; b < hex.size() / 2; ++b) {
      int hi = HexDigit(hex[2 * b]), lo = HexDigit(hex[2 * b + 1]);
      if (hi < 0 || lo < 0) throw LineError{"bytes= holds a character that is not a hex digit"};
      record[b] = uint8_t(hi * 16 + lo);
    }
    size_t size = hex.size() / 2;
    Append(record, size);
    if (size < kCommandSize) cutLine_ = line_;
    if (record[0] == uint8_t(CommandKind::End)) hasEnd_ = true;
  }

  void Empty(const std::vector<Token>& args) {
    if (args.size() != 1 || args[0].kind != Token::KeyValue || args[0].key != "count")
      throw LineError{"empty takes one field: count=<number of all-zero records>"};
    int64_t n = Count(args[0], kMaxEmptyRecords);
    const uint8_t zero[kCommandSize] = {};
    for (int64_t i = 0; i < n; ++i) Append(zero, kCommandSize);
  }

  void CheckPoolPosition(const std::vector<Token>& args, const char* what) {
    if (!hasEnd_) throw LineError{std::string(what) + " belongs to the text pool, which follows the end command"};
    for (const Token& t : args)
      if (t.kind == Token::At && size_t(t.number) != pool_.size())
        throw LineError{std::string(what) + " @" + std::to_string(t.number) + ": the text pool is at " +
                        std::to_string(pool_.size()) + " here"};
  }

  void Text(const std::vector<Token>& args) {
    CheckPoolPosition(args, "text");
    bool jis = false, nul = true, seenAt = false, seenCode = false;
    const Token* quoted = nullptr;
    for (const Token& t : args) {
      if (t.kind == Token::At && !seenAt && !seenCode && quoted == nullptr) {
        seenAt = true;
      } else if (t.kind == Token::Word && (t.key == "jis" || t.key == "sjis") && !seenCode && quoted == nullptr) {
        seenCode = true;
        jis = t.key == "jis";
      } else if (t.kind == Token::Quoted && quoted == nullptr) {
        quoted = &t;
      } else if (t.kind == Token::Word && t.key == "nonul" && quoted != nullptr && nul) {
        nul = false;
      } else {
        throw LineError{"unexpected " + Describe(t) + " (a text line is: text [@offset] [jis] \"...\" [nonul])"};
      }
    }
    if (quoted == nullptr) throw LineError{"text needs a quoted text"};
    std::string bytes, message;
    if (!EncodeText(quoted->pieces, jis, &bytes, &message)) throw LineError{message};
    if (nul) bytes.push_back('\0');
    Append(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }

  void Zeros(const std::vector<Token>& args) {
    CheckPoolPosition(args, "zeros");
    const Token* count = nullptr;
    for (const Token& t : args) {
      if (t.kind == Token::KeyValue && t.key == "count" && count == nullptr) count = &t;
      else if (t.kind != Token::At) throw LineError{"unexpected " + Describe(t) + " (zeros [@offset] count=N)"};
    }
    if (count == nullptr) throw LineError{"zeros needs count=N"};
    std::vector<uint8_t> zero(size_t(Count(*count, kMaxZeroBytes)), 0);
    Append(zero.data(), zero.size());
  }

  // text= texts go to the end of the pool, each distinct text once.
  void PlaceTexts() {
    std::map<std::string, size_t> placed;
    for (PendingText& p : pending_) {
      line_ = p.line;
      if (!hasEnd_) throw LineError{"text= needs an end command: the text pool follows it"};
      auto it = placed.find(p.bytes);
      size_t offset;
      if (it != placed.end()) {
        offset = it->second;
      } else {
        offset = pool_.size();
        if (offset > size_t(INT32_MAX)) throw LineError{"the text pool is too large for offset="};
        std::string bytes = p.bytes + '\0';
        Append(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        placed.emplace(p.bytes, offset);
      }
      uint8_t* record = (p.inPool ? pool_.data() : area_.data()) + p.at;
      for (int b = 0; b < 4; ++b) record[12 + b] = uint8_t(offset >> (8 * b));
    }
  }

  std::vector<uint8_t> area_;
  std::vector<uint8_t> pool_;
  std::vector<PendingText> pending_;
  bool hasEnd_ = false;
  int cutLine_ = 0;
  int line_ = 0;
};

}  // namespace

bool CompileText(std::string_view text, std::vector<uint8_t>* out, CompileError* error) {
  return Compiler().Run(text, out, error);
}

}  // namespace kestrel::pdat
