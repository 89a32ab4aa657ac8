#include "lists/paper_list.h"

#include <cstdio>
#include <exception>
#include <vector>

#include "util/char_forms.h"

namespace kestrel {
namespace {

// The Windows paper constants' descriptions, DMPAPER_LETTER (1) to
// DMPAPER_PENV_10_ROTATED (118), byte for byte.
constexpr const char* kPaperNames[] = {
    /*   1 */ "Letter 8 1/2 x 11 in",
    /*   2 */ "Letter Small 8 1/2 x 11 in",
    /*   3 */ "Tabloid 11 x 17 in",
    /*   4 */ "Ledger 17 x 11 in",
    /*   5 */ "Legal 8 1/2 x 14 in",
    /*   6 */ "Statement 5 1/2 x 8 1/2 in",
    /*   7 */ "Executive 7 1/4 x 10 1/2 in",
    /*   8 */ "A3 297 x 420 mm",
    /*   9 */ "A4 210 x 297 mm",
    /*  10 */ "A4 Small 210 x 297 mm",
    /*  11 */ "A5 148 x 210 mm",
    /*  12 */ "B4 (JIS) 250 x 354",
    /*  13 */ "B5 (JIS) 182 x 257 mm",
    /*  14 */ "Folio 8 1/2 x 13 in",
    /*  15 */ "Quarto 215 x 275 mm",
    /*  16 */ "10x14 in",
    /*  17 */ "11x17 in",
    /*  18 */ "Note 8 1/2 x 11 in",
    /*  19 */ "Envelope #9 3 7/8 x 8 7/8",
    /*  20 */ "Envelope #10 4 1/8 x 9 1/2",
    /*  21 */ "Envelope #11 4 1/2 x 10 3/8",
    /*  22 */ "Envelope #12 4 \xBE" " x 11",
    /*  23 */ "Envelope #14 5 x 11 1/2",
    /*  24 */ "C size sheet",
    /*  25 */ "D size sheet",
    /*  26 */ "E size sheet",
    /*  27 */ "Envelope DL 110 x 220mm",
    /*  28 */ "Envelope C5 162 x 229 mm",
    /*  29 */ "Envelope C3  324 x 458 mm",
    /*  30 */ "Envelope C4  229 x 324 mm",
    /*  31 */ "Envelope C6  114 x 162 mm",
    /*  32 */ "Envelope C65 114 x 229 mm",
    /*  33 */ "Envelope B4  250 x 353 mm",
    /*  34 */ "Envelope B5  176 x 250 mm",
    /*  35 */ "Envelope B6  176 x 125 mm",
    /*  36 */ "Envelope 110 x 230 mm",
    /*  37 */ "Envelope Monarch 3.875 x 7.5 in",
    /*  38 */ "6 3/4 Envelope 3 5/8 x 6 1/2 in",
    /*  39 */ "US Std Fanfold 14 7/8 x 11 in",
    /*  40 */ "German Std Fanfold 8 1/2 x 12 in",
    /*  41 */ "German Legal Fanfold 8 1/2 x 13 in",
    /*  42 */ "B4 (ISO) 250 x 353 mm",
    /*  43 */ "Japanese Postcard 100 x 148 mm",
    /*  44 */ "9 x 11 in",
    /*  45 */ "10 x 11 in",
    /*  46 */ "15 x 11 in",
    /*  47 */ "Envelope Invite 220 x 220 mm",
    /*  48 */ "RESERVED--DO NOT USE",
    /*  49 */ "RESERVED--DO NOT USE",
    /*  50 */ "Letter Extra 9 \xBD" " x 12 in",
    /*  51 */ "Legal Extra 9 \xBD" " x 15 in",
    /*  52 */ "Tabloid Extra 11.69 x 18 in",
    /*  53 */ "A4 Extra 9.27 x 12.69 in",
    /*  54 */ "Letter Transverse 8 \xBD" " x 11 in",
    /*  55 */ "A4 Transverse 210 x 297 mm",
    /*  56 */ "Letter Extra Transverse 9\xBD" " x 12 in",
    /*  57 */ "SuperA/SuperA/A4 227 x 356 mm",
    /*  58 */ "SuperB/SuperB/A3 305 x 487 mm",
    /*  59 */ "Letter Plus 8.5 x 12.69 in",
    /*  60 */ "A4 Plus 210 x 330 mm",
    /*  61 */ "A5 Transverse 148 x 210 mm",
    /*  62 */ "B5 (JIS) Transverse 182 x 257 mm",
    /*  63 */ "A3 Extra 322 x 445 mm",
    /*  64 */ "A5 Extra 174 x 235 mm",
    /*  65 */ "B5 (ISO) Extra 201 x 276 mm",
    /*  66 */ "A2 420 x 594 mm",
    /*  67 */ "A3 Transverse 297 x 420 mm",
    /*  68 */ "A3 Extra Transverse 322 x 445 mm",
    /*  69 */ "Japanese Double Postcard 200 x 148 mm",
    /*  70 */ "A6 105 x 148 mm",
    /*  71 */ "Japanese Envelope Kaku #2",
    /*  72 */ "Japanese Envelope Kaku #3",
    /*  73 */ "Japanese Envelope Chou #3",
    /*  74 */ "Japanese Envelope Chou #4",
    /*  75 */ "Letter Rotated 11 x 8 1/2 11 in",
    /*  76 */ "A3 Rotated 420 x 297 mm",
    /*  77 */ "A4 Rotated 297 x 210 mm",
    /*  78 */ "A5 Rotated 210 x 148 mm",
    /*  79 */ "B4 (JIS) Rotated 364 x 257 mm",
    /*  80 */ "B5 (JIS) Rotated 257 x 182 mm",
    /*  81 */ "Japanese Postcard Rotated 148 x 100 mm",
    /*  82 */ "Double Japanese Postcard Rotated 148 x 200 mm",
    /*  83 */ "A6 Rotated 148 x 105 mm",
    /*  84 */ "Japanese Envelope Kaku #2 Rotated",
    /*  85 */ "Japanese Envelope Kaku #3 Rotated",
    /*  86 */ "Japanese Envelope Chou #3 Rotated",
    /*  87 */ "Japanese Envelope Chou #4 Rotated",
    /*  88 */ "B6 (JIS) 128 x 182 mm",
    /*  89 */ "B6 (JIS) Rotated 182 x 128 mm",
    /*  90 */ "12 x 11 in",
    /*  91 */ "Japanese Envelope You #4",
    /*  92 */ "Japanese Envelope You #4 Rotated",
    /*  93 */ "PRC 16K 146 x 215 mm",
    /*  94 */ "PRC 32K 97 x 151 mm",
    /*  95 */ "PRC 32K(Big) 97 x 151 mm",
    /*  96 */ "PRC Envelope #1 102 x 165 mm",
    /*  97 */ "PRC Envelope #2 102 x 176 mm",
    /*  98 */ "PRC Envelope #3 125 x 176 mm",
    /*  99 */ "PRC Envelope #4 110 x 208 mm",
    /* 100 */ "PRC Envelope #5 110 x 220 mm",
    /* 101 */ "PRC Envelope #6 120 x 230 mm",
    /* 102 */ "PRC Envelope #7 160 x 230 mm",
    /* 103 */ "PRC Envelope #8 120 x 309 mm",
    /* 104 */ "PRC Envelope #9 229 x 324 mm",
    /* 105 */ "PRC Envelope #10 324 x 458 mm",
    /* 106 */ "PRC 16K Rotated",
    /* 107 */ "PRC 32K Rotated",
    /* 108 */ "PRC 32K(Big) Rotated",
    /* 109 */ "PRC Envelope #1 Rotated 165 x 102 mm",
    /* 110 */ "PRC Envelope #2 Rotated 176 x 102 mm",
    /* 111 */ "PRC Envelope #3 Rotated 176 x 125",
    /* 112 */ "PRC Envelope #4 Rotated 208 x 110 mm",
    /* 113 */ "PRC Envelope #5 Rotated 220 x 110 mm",
    /* 114 */ "PRC Envelope #6 Rotated 230 x 120 mm",
    /* 115 */ "PRC Envelope #7 Rotated 230 x 160 mm",
    /* 116 */ "PRC Envelope #8 Rotated 309 x 120 mm",
    /* 117 */ "PRC Envelope #9 Rotated 324 x 229 mm",
    /* 118 */ "PRC Envelope #10 Rotated 458 x 324 mm",
};
static_assert(sizeof(kPaperNames) / sizeof(kPaperNames[0]) == 118);

// A driver's paper name comes in a 64-byte slot; a name that fills it has
// no terminating NUL. Cut the CP932 form to the slot (and at a NUL) without
// splitting a double-byte character.
constexpr size_t kPaperNameSlot = 64;

SjisString SlotName(const std::string& utf8) {
  SjisString name = SjisFromUtf8(utf8);
  size_t end = 0;
  while (end < name.size() && name[end] != '\0') {
    size_t step = IsSjisLeadByte(static_cast<unsigned char>(name[end])) ? 2 : 1;
    if (end + step > kPaperNameSlot || end + step > name.size()) break;
    end += step;
  }
  name.resize(end);
  return name;
}

std::string Format(const char* format, long a, long b = 0) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

}  // namespace

SjisView PaperConstantName(int code) {
  if (code < 1 || code > 118) return {};
  return kPaperNames[code - 1];
}

ListResult PaperListWriter::WritePaperList(const std::string& path, const std::string& deviceName) {
  if (path.empty()) return ListResult::kEmptyPath;
  path_ = path;
  std::vector<std::string> installed;
  std::string current;
  try {
    installed = printers_.Printers();
    current = printers_.SelectedPrinter();
  } catch (const std::exception&) {
    ui_.ShowMessage("TPrinterへタイトル設定時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。",
                    MessageKind::Error);
    return ListResult::kUnreachable;
  }
  if (!file_.Create(path_)) {
    ui_.ShowMessage("ppaperlist.txtの作成に失敗しました。\n印刷可能用紙リストは作成されません", MessageKind::Error);
    return ListResult::kCannotCreate;
  }
  file_.Text("\n印刷可能用紙リストファイル\n");
  file_.Text("印刷可能用紙リストは、Windowsへ登録されている通常使うプリンタドライバが\n");
  file_.Text("サポートしている用紙をリストとして出力しています。\n");
  file_.Text("\n[通常使うプリンタプリンタドライバの印刷可能用紙リスト]\n");

  // The device: the current printer for an empty name, else an exact match.
  std::string device;
  for (const auto& name : installed)
    if (deviceName.empty() ? name == current : name == deviceName) {
      device = name;
      break;
    }
  if (device.empty()) {
    file_.Close();
    return ListResult::kNotInstalled;
  }

  long duplex = 0;
  try {
    duplex = printers_.Duplex(device);
  } catch (const std::exception&) {
    file_.Close();
    return ListResult::kDuplexQueryFailed;
  }
  file_.Line(Format("【両面印刷可能】= [%ld] 1以外:不可能、1:可能", duplex));

  std::vector<uint16_t> numbers;
  int count = 0;
  try {
    count = printers_.Papers(device, numbers);
  } catch (const std::exception&) {
    count = -1;
  }
  if (count <= 0) {
    file_.Line("  ■印刷できる用紙は１つもありませんでした");
    file_.Close();
    return ListResult::kNoPaper;
  }

  // Every query must give an entry for each of the count's papers; a short
  // answer is a failed query, never a read past the answer.
  std::vector<std::string> names;
  std::vector<PaperSize> sizes;
  bool ok = size_t(count) <= numbers.size();
  try {
    ok = ok && printers_.PaperNames(device, names) >= count && names.size() >= size_t(count);
    ok = ok && printers_.PaperSizes(device, sizes) >= count && sizes.size() >= size_t(count);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) {
    file_.Line("DeviceCapabilities Error");
    file_.Close();
    return ListResult::kPaperQueryFailed;
  }

  file_.Line(Format("【指定可能用紙種類】= [%ld]種類", count));
  file_.Line("□印刷可能用紙");
  for (int i = 0; i < count; ++i) {
    const int constant = numbers[size_t(i)];
    file_.Line("------------------------------------------");
    file_.Text(Format("  [%03ld]<用紙名:【", i + 1));
    file_.Bytes(SlotName(names[size_t(i)]));
    file_.Text("】>\n");
    file_.Text(Format("       <定  数:[%03ld]:", constant));
    file_.Bytes(PaperConstantName(constant));
    file_.Text(">\n");
    file_.Line(Format("       <サイズ:%ld x %ld>", sizes[size_t(i)].width, sizes[size_t(i)].height));
    file_.Line("");
  }
  file_.Line("");
  file_.Line("■" + device);
  file_.Line("");
  file_.Line(" ------------------ END ------------------");
  // A list that could not be written whole (a full disk) is not put in
  // place and not announced as made.
  if (!file_.Close()) {
    ui_.ShowMessage("ppaperlist.txtの作成に失敗しました。\n印刷可能用紙リストは作成されません", MessageKind::Error);
    return ListResult::kCannotCreate;
  }
  ui_.ShowMessage(path_ + "を作成しました", MessageKind::Information);
  return ListResult::kWritten;
}

const char* ListStatusMeaning(ListResult status) {
  switch (status) {
    case ListResult::kWritten: return "written";
    case ListResult::kUnreachable: return "the printer could not be reached";
    case ListResult::kCannotCreate: return "the file could not be created";
    case ListResult::kEmptyPath: return "the path is empty";
    case ListResult::kDuplexQueryFailed: return "the duplex query failed";
    case ListResult::kNoPaper: return "the driver reports no paper";
    case ListResult::kPaperQueryFailed: return "a paper query failed";
    case ListResult::kNotInstalled: return "the device is not installed";
    case ListResult::kNoDeviceChosen: break;
  }
  return "";
}

}  // namespace kestrel
