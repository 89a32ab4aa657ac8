#include "engine/printer_setup.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "engine/coordinates.h"
#include "engine/engine_log.h"
#include "util/profile_file.h"

namespace kestrel {

namespace {

void LogError(PrintContext& ctx, const std::string& message) {
  ctx.lastErrorMessage = message;
  EngineLog(ctx, message, kLogError);
}

// Paper codes split into hundreds and rest (see PaperOf).
enum class Paper { A3, A4, A5, B4, B5, Other };

Paper PaperOf(int code) {
  int h = code / 100, r = code % 100;
  if (h == 1 && r == 30) return Paper::A3;
  if (h == 1 && r == 40) return Paper::A4;
  if (h == 1 && r == 50) return Paper::A5;
  if (h != 1 && r == 40) return Paper::B4;
  if (h != 1 && r == 50) return Paper::B5;
  return Paper::Other;
}

// Portrait size in millimetres of a paper code; false for unlisted codes.
bool PaperMillimetres(int code, int& width, int& height) {
  for (const DataPaper& p : kDataPapers) {
    if (p.code != code) continue;
    const PaperSize size = PaperSizeOf(p.constant);
    width = size.width / 10;
    height = size.height / 10;
    return true;
  }
  return false;
}

}  // namespace

int FindPrinterIndex(PrintContext& ctx, const std::string& name) {
  if (name.empty()) return -1;
  auto list = ctx.services.printers.Printers();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == name) return int(i);
  return -1;
}

std::string RunDeviceSelection(PrintContext& ctx, const std::string& caption, const std::string& heading,
                               const std::string& noSelectionMessage, const std::string& unattendedChoice) {
  DeviceDialogRequest request;
  request.caption = caption;
  request.heading = heading;
  request.noSelectionMessage = noSelectionMessage;
  request.devices = ctx.services.printers.Printers();
  request.unattendedChoice = unattendedChoice;
  request.onUnattendedChoice = [&ctx](const std::string& device) {
    EngineLogf(ctx, kLogInfo, "【PDF出力デバイス】= 応答がないため内蔵のPDFデバイス[%s]を選択しました\n", device.c_str());
  };
  return ctx.services.ui.SelectDevice(request);
}

ChooseResult ChoosePrinter(PrintContext& ctx) {
  PrintSystem& ps = ctx.services.printers;
  if (ps.Printers().empty()) return ChooseResult::kNoPrinter;

  std::string fallbackMessage;
  if (ctx.options.pdfOutput == 0) {
    if (ctx.options.showPrinterDialog == 1) {
      std::string chosen = RunDeviceSelection(
          ctx, "出力プリンタ選択画面", "出力するデバイスを選択して下さい。",
          "印刷をするプリンタが選択されていません。\n印刷はキャンセルされますがよろしいですか？");
      if (chosen.empty()) return ChooseResult::kDialogCancelled;
      ctx.output.deviceName = chosen;
    } else if (ctx.output.printerName.empty()) {
      std::string name = ReadIniValue(ctx.options.defaultPrinterFilePath, "DefaultPrinter", "SelectPrinter", "Default");
      if (name == "Default" || name.empty()) {
        ctx.output.deviceName = ps.SelectedPrinter();
      } else {
        ctx.output.deviceName = name;
        fallbackMessage = "Win直デフォルト印刷プリンタ指定に異常がありました。\n通常使用するプリンタをセットします";
      }
    } else {
      ctx.output.deviceName = ctx.output.printerName;
      fallbackMessage =
          "実行時引数プリンタデバイス指定されたデバイスが存在しない又は異常がありました。\n通常使用するプリンタをセットします";
    }
  } else {
    std::string name;
    // A missing settings file reads as no device.
    if (!ctx.options.settingsFilePath.empty()) name = ReadIniValue(ctx.options.settingsFilePath, "PDF", "$path", "");
    if (FindPrinterIndex(ctx, name) < 0) name.clear();
    if (name.empty()) {
      try {
        // Nobody there to answer (an unattended run): the built-in PDF
        // device, never the paper of the current printer.
        std::string chosen = RunDeviceSelection(ctx, "", "", "", ps.BuiltInPdfDevice());
        if (!WriteIniValue(ctx.options.settingsFilePath, "PDF", "$path", chosen)) throw std::runtime_error("write");
        if (chosen.empty()) return ChooseResult::kPdfCancelled;
        name = chosen;
      } catch (const std::exception&) {
        ctx.services.ui.ShowMessage("PDFドライバ選択画面処理中に例外が発生しました", MessageKind::Error);
        return ChooseResult::kPdfCancelled;
      }
    }
    ctx.output.deviceName = name;
    fallbackMessage = "PDF出力デバイスが存在しない又は異常がありました。\n通常使用するプリンタをセットします";
    if (ctx.output.savedDefaultPrinter.empty()) ctx.output.savedDefaultPrinter = ps.SelectedPrinter();
  }

  if (FindPrinterIndex(ctx, ctx.output.deviceName) < 0) {
    if (!fallbackMessage.empty()) ctx.services.ui.ShowMessage(fallbackMessage, MessageKind::Warning);
    ctx.output.deviceName = ps.SelectedPrinter();
  }
  ps.SelectPrinter(ctx.output.deviceName);
  return ChooseResult::kChosen;
}

bool GetDevMode(PrintContext& ctx, const std::string& deviceName) {
  PrintSystem& ps = ctx.services.printers;
  std::string current = ps.SelectedPrinter();
  if (current.empty()) current = deviceName;
  if (current.empty()) {
    int code = ps.LastError();
    EngineLogf(ctx, kLogError, "  ■GetDevMode - pr->GetPrinterエラー (%d) = GetLastError : [%s]\n", code,
               ps.ErrorText(code).c_str());
    return false;
  }
  // Setting the device again with no device mode drops what earlier jobs
  // wrote and loads the driver's defaults.
  if (!ps.SelectPrinter(current)) {
    int code = ps.LastError();
    EngineLogf(ctx, kLogError, "  ■GetDevMode - pr->SetPrinterエラー (%d) = GetLastError : [%s]\n", code,
               ps.ErrorText(code).c_str());
    return false;
  }
  DevMode fresh;
  if (ps.GetDefaultDevMode(fresh) != 0) {
    int code = ps.LastError();
    EngineLogf(ctx, kLogError, "  ■GetDevMode - pr->GetPrinter 2回目 エラー (%d) = GetLastError : [%s]\n", code,
               ps.ErrorText(code).c_str());
    return false;
  }
  ctx.output.devMode = fresh;
  return true;
}

int GetPrinterInfo(PrintContext& ctx) {
  PrintSystem& ps = ctx.services.printers;
  int lastError = 0;
  // Every step runs even after an earlier one failed; the last error wins.
  if (ps.OpenPrinter(ctx.output.deviceName) != 0) {
    lastError = ps.LastError();
    LogError(ctx, Format("  ■OpenPrinterエラー GetLastError(%d)\n", lastError));
  } else {
    ctx.output.printerOpen = true;
  }
  if (!GetDevMode(ctx, ctx.output.deviceName)) {
    lastError = ps.LastError();
    if (lastError == 0) lastError = -1;
    LogError(ctx, Format("  ■GetDevModeエラー GetLastError(%d)\n", lastError));
    ctx.output.devModeHeld = false;
  } else {
    ctx.output.devModeHeld = true;
  }
  return lastError;
}

int CheckPaperSize(PrintContext& ctx, int paperConstant, int width, int height) {
  PrintSystem& ps = ctx.services.printers;
  std::vector<uint16_t> papers;
  int count = ps.Papers(ctx.output.deviceName, papers);
  if (count == 0) {
    EngineLog(ctx, "  ■印刷できる用紙が１つも取得できませんでした\n", kLogError);
    return kPaperNotSupported;
  }
  bool failed = count < 0;
  EngineLogf(ctx, kLogInfo, "【指定可能用紙種類】= [%ld]種類\n", long(count));
  const bool bySize = width != 0 && height != 0;
  std::vector<PaperSize> sizes;
  if (!bySize) {
    EngineLog(ctx, "【印刷可能用紙判定方法】= 用紙定数比較\n");
  } else {
    if (ps.PaperSizes(ctx.output.deviceName, sizes) < 0) failed = true;
    EngineLog(ctx, "【印刷可能用紙判定方法】= 用紙サイズ比較\n");
  }
  if (failed) {
    int code = ps.LastError();
    EngineLogf(ctx, kLogError, "  ■CheckPaperSize-DeviceCapabilitiesエラー (%d) = GetLastError : [%s]\n", code,
               ps.ErrorText(code).c_str());
    EngineLogf(ctx, kLogError, "  ■DeviceCapabilities( szDe(%s), NULL, DC_PAPERS, selectPaper(%d), NULL )\n",
               ctx.output.deviceName.c_str(), paperConstant);
  }
  if (!bySize) {
    for (uint16_t p : papers) {
      if (p == paperConstant) {
        EngineLogf(ctx, kLogInfo, "  ■印刷したい用紙はサポートされています(用紙定数比較[%d])\n", paperConstant);
        return paperConstant;
      }
    }
  } else {
    // The two lists come from separate queries; only positions both hold count.
    size_t n = std::min(papers.size(), sizes.size());
    for (size_t i = 0; i < n; ++i) {
      if (sizes[i].width == width && sizes[i].height == height) {
        EngineLogf(ctx, kLogInfo, "  ■印刷したい用紙はサポートされています(用紙サイズ比較[%dx%d])\n", width,
                   height);
        return papers[i];
      }
    }
  }
  EngineLog(ctx, "  ■印刷したい用紙はサポートされていませんでした\n");
  return kPaperNotSupported;
}

DuplexCheck CheckDuplex(PrintContext& ctx) {
  int answer = ctx.services.printers.Duplex(ctx.output.deviceName);
  if (answer < 0) {
    EngineLog(ctx, "  ■DeviceCapabilitiesで例外が発生しました。\n", kLogError);
    return DuplexCheck::kNotCapable;
  }
  EngineLogf(ctx, kLogInfo, "【両面印刷可能】= [%ld] 1以外:不可能、1:可能\n", long(answer));
  if (answer == 1) return DuplexCheck::kCapable;
  EngineLog(ctx, "  ■両面印刷はサポートされていませんでした\n");
  return DuplexCheck::kNotCapable;
}

namespace {

// The duplex fields of the device mode: the page's duplex when the printer
// can, else duplexSetting 3 (each page a sheet of its own).
void SetDuplexMode(PrintContext& ctx, DevMode& dm) {
  if (ctx.page.duplex != 1) {
    dm.duplex = kDuplexSimplex;
    return;
  }
  if (CheckDuplex(ctx) != DuplexCheck::kCapable) {
    ctx.output.duplexSetting = 3;
    return;
  }
  dm.collate = 1;
  dm.fields |= kDmDuplex | kDmCollate;
  // The page's own orientation (copied by the Paper stage) decides the
  // binding edge.
  dm.duplex = ctx.page.orientation != 0 ? kDuplexHorizontal : kDuplexVertical;
}

// The papers the device mode is set to, with the lines said when the
// printer has the paper and when it has not (A5 and others keep A4).
struct PaperSetting {
  Paper paper;
  int constant;
  const char* missing;
  const char* set;
};
constexpr PaperSetting kPaperSettings[] = {
    {Paper::A3, kPaperA3, "【SetPrinterProperty】= 印刷用紙を [ A4(A3は未サポート) ] にセット\n",
     "【SetPrinterProperty】= 印刷用紙を [ A3 ] にセット\n"},
    {Paper::A4, kPaperA4,
     "【SetPrinterProperty】= 印刷用紙を [ プリンターのデフォルト印刷用紙(A4は未サポート) ] にセット\n",
     "【SetPrinterProperty】= 印刷用紙を [ A4 ] にセット\n"},
    {Paper::B4, kPaperB4, "【SetPrinterProperty】= 印刷用紙を [ A4(B4は未サポート) ] にセット\n",
     "【SetPrinterProperty】= 印刷用紙を [ B4 ] にセット\n"},
    {Paper::B5, kPaperB5, "【SetPrinterProperty】= 印刷用紙を [ A4(B5は未サポート) ] にセット\n",
     "【SetPrinterProperty】= 印刷用紙を [ B5 ] にセット\n"},
};

}  // namespace

int SetPrinterProperty(PrintContext& ctx, int paperCheckMode) {
  PrintSystem& ps = ctx.services.printers;
  DevMode& dm = ctx.output.devMode;
  SetDuplexMode(ctx, dm);

  dm.paperSize = kPaperA4;
  EngineLog(ctx, "【SetPrinterProperty】= デフォルト印刷用紙を [ A4 ] にセット（初期化）\n");
  const Paper paper = PaperOf(ctx.page.paperCode);
  for (const PaperSetting& setting : kPaperSettings) {
    if (setting.paper != paper) continue;
    // The paper asked for: by size (from the paper table) or by constant alone.
    const PaperSize size = paperCheckMode != 0 ? PaperSizeOf(setting.constant) : PaperSize{};
    const int r = CheckPaperSize(ctx, setting.constant, size.width, size.height);
    EngineLog(ctx, r == kPaperNotSupported ? setting.missing : setting.set);
    if (r != kPaperNotSupported) dm.paperSize = r;
  }

  if (ps.ApplyDevMode(dm) == 0) {
    EngineLog(ctx, "【SetPrinterProperty】= <<<<<<<<<<<<<<<< End >>>>>>>>>>>>>>>>>\n");
    return 0;
  }
  EngineLog(ctx, "  ■DocumentProperties関数 Error\n");
  EngineLog(ctx, "  ■DEVMODEアップデートに失敗\n");
  ctx.output.devModeHeld = false;
  if (ctx.output.printerOpen) {
    ps.ClosePrinter();
    ctx.output.printerOpen = false;
  }
  return -1;
}

PaperStageResult gprint_paper(PrintContext& ctx, int index) {
  PrintSystem& ps = ctx.services.printers;
  PaperCommand p{ctx.page.commands[size_t(index)]};
  ctx.page.orientation = p.orientation();
  ctx.page.paperCode = p.paperCode();
  if (ctx.options.compulsionPaper == 1) ctx.page.paperCode = 140;
  if (ctx.options.compulsionPaper == 2) ctx.page.paperCode = 240;
  ctx.page.userPaperCode = p.userPaperCode();
  ctx.page.duplex = uint8_t(ctx.output.duplexSetting & 0xFF);
  ctx.page.copies = p.copies();

  EngineLogf(ctx, kLogInfo, "【用紙方向】= %d ( 0:port(垂直), 1:land(水平) )\n", ctx.page.orientation);
  EngineLogf(ctx, kLogInfo, "【CompulsionPaper】= %d ( 1:A4に用紙sizeを強制指定, 2:B4に用紙sizeを強制指定 )\n",
             ctx.options.compulsionPaper);
  EngineLogf(ctx, kLogInfo, "【用紙size（CompulsionPaper計算前）】= %d ( A3=130, A4=140, A5=150, B4=240, B5=250 )\n",
             p.paperCode());
  EngineLogf(ctx, kLogInfo, "【用紙size（CompulsionPaper計算後）】= %d ( A3=130, A4=140, A5=150, B4=240, B5=250 )\n",
             ctx.page.paperCode);
  EngineLogf(ctx, kLogInfo, "【ユーザsize】= %d ( A3=130, A4=140, A5=150, B4=240, B5=250 )\n", ctx.page.userPaperCode);
  EngineLogf(ctx, kLogInfo, "【印刷部数】= %d\n", ctx.page.copies);

  const char* notSet = "プリンタが設定されていない可能性があります。\nプリンターの設定を見直して下さい。\n";
  try {
    int rc = GetPrinterInfo(ctx);
    if (rc != 0) {
      EngineLogf(ctx, kLogInfo, "GetPrinterInfo Error(code=%d)\n", rc);
      return PaperStageResult::kPrinterInfoFailed;
    }
  } catch (const std::exception&) {
    EngineLog(ctx, notSet, kLogError);
    EngineLog(ctx, "GetPrinterInfo内で例外が発生しました\n", kLogError);
    return PaperStageResult::kPrinterInfoRaised;
  }
  try {
    int rc = SetPrinterProperty(ctx, ctx.options.paperCheckMode);
    if (rc != 0) {
      EngineLogf(ctx, kLogInfo, "SetPrinterProperty Error(code=%d)\n", rc);
      return PaperStageResult::kPropertyFailed;
    }
  } catch (const std::exception&) {
    EngineLog(ctx, notSet, kLogError);
    EngineLog(ctx, "SetPrinterProperty内で例外が発生しました\n", kLogError);
    return PaperStageResult::kPropertyRaised;
  }

  ChooseMagnification(ctx);

  if (ps.SetOrientation(ctx.page.orientation != 0 ? 1 : 0) != 0 || ps.SetCopies(ctx.page.copies) != 0) {
    EngineLogf(ctx, kLogError, "  ■gprint_paper内BeginDocで例外が発生(%s)\n", ps.ErrorText(ps.LastError()).c_str());
    return PaperStageResult::kOrientationFailed;
  }

  ctx.page.landscape = ctx.page.orientation != 0 ? 1 : 0;
  int w = 0, h = 0;
  if (PaperMillimetres(ctx.page.paperCode, w, h)) {
    ctx.page.paperWidthMm = ctx.page.landscape ? h : w;
    ctx.page.paperHeightMm = ctx.page.landscape ? w : h;
  }
  EngineLog(ctx, "【********** gprint_paper関数 End ***********】\n");
  return PaperStageResult::kDone;
}

void RestoreDefaultPrinter(PrintContext& ctx) {
  PrintSystem& ps = ctx.services.printers;
  std::string system = ps.SystemDefaultPrinter();
  if (!system.empty() && ps.SelectPrinter(system)) {
    DevMode fresh;
    ps.GetDefaultDevMode(fresh);
  }
  ctx.output.savedDefaultPrinter.clear();
}

int ReleasePrinter(PrintContext& ctx) {
  PrintSystem& ps = ctx.services.printers;
  ctx.output.devModeHeld = false;
  if (ctx.output.printerOpen) {
    ctx.output.printerOpen = false;
    if (ps.ClosePrinter() != 0) {
      int code = ps.LastError();
      LogError(ctx, Format("  ■ClosePrinterエラー (%d) = GetLastError : [%s]\n", code, ps.ErrorText(code).c_str()));
      return -1;
    }
  }
  return 0;
}

}  // namespace kestrel
