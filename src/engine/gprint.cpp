#include "engine/gprint.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

#include "engine/analysis_log.h"
#include "engine/colour_table.h"
#include "engine/coordinates.h"
#include "engine/draw/draw.h"
#include "engine/engine_log.h"
#include "engine/job_failure.h"
#include "engine/page_output.h"
#include "engine/printer_setup.h"
#include "util/bounded_read.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

// Walks the page by index up to its End record (or the last record) and
// calls act(i, command) for every record of one of the kinds; returns the
// index of the End record, or -1 when there is none.
// Records past the data read are zero (kind 0, ignored by every pass), so a
// pass ends there; it sees exactly what a walk of all 600,000 would.
size_t RecordLimit(const PrintContext& ctx) {
  return std::min(kMaxCommands, (ctx.page.bytesRead + kCommandSize - 1) / kCommandSize);
}

template <typename Act>
int RunPass(PrintContext& ctx, Act&& act) {
  const PrintCommand* commands = ctx.page.commands.get();
  const size_t limit = RecordLimit(ctx);
  for (size_t i = 0; i < limit; ++i) {
    const PrintCommand& c = commands[i];
    if (c.is(CommandKind::End)) return int(i);
    act(int(i), c);
  }
  return -1;
}

int FindEnd(const PrintContext& ctx) {
  const PrintCommand* commands = ctx.page.commands.get();
  const size_t limit = RecordLimit(ctx);
  for (size_t i = 0; i < limit; ++i)
    if (commands[i].is(CommandKind::End)) return int(i);
  return -1;
}

// Reads the file into the zeroed command area with one read.
bool ReadPage(PrintContext& ctx, const std::string& dataFile) {
  auto* area = reinterpret_cast<uint8_t*>(ctx.page.commands.get());
  // Zero what earlier pages wrote; the rest of the area is still zero.
  std::memset(area, 0, ctx.page.bytesUsed);
  ctx.page.bytesRead = 0;
  // Only a plain file is print data (a pipe or a device would hold the run
  // or never end); what the page array holds is read, the rest is cut.
  size_t n = 0;
  bool read = ReadBoundedFile(dataFile, area, kCommandAreaBytes, n) == ReadStatus::kOk;
  ctx.page.bytesRead = n;
  ctx.page.bytesUsed = n;
  return read;
}

void WriteFillMethodBlock(PrintContext& ctx) {
  int end = FindEnd(ctx);
  EngineLogf(ctx, kLogInfo, "【出力コマンド数】= %d\n", end < 0 ? 0 : end);
  const int32_t fillMethod = ctx.options.fillMethod;
  switch (fillMethod) {
    case 0: EngineLogf(ctx, kLogInfo, "【塗り潰し種別】= 塗り潰し処理を行わない(%d)\n", fillMethod); break;
    case 1: EngineLogf(ctx, kLogInfo, "【塗り潰し種別】= Windows範囲塗り潰し処理 : Rectangle(%d) \n", fillMethod); break;
    case 2: EngineLogf(ctx, kLogInfo, "【塗り潰し種別】= デフォルトパターン出力 : Windows Pattern(%d) \n", fillMethod); break;
    case 3: EngineLogf(ctx, kLogInfo, "【塗り潰し種別】= 外部BitMapパターン出力 : Export Bitmap(%d) \n", fillMethod); break;
    case 4: EngineLogf(ctx, kLogInfo, "【塗り潰し種別】= 出力時作成Bitmapパターン出力 : Make Bitmap(%d) \n", fillMethod); break;
    case 5: EngineLogf(ctx, kLogInfo, "【塗り潰し種別】= ピクセル単位出力 : SetPixel(%d) \n", fillMethod); break;
    default: break;
  }
  EngineLogf(ctx, kLogInfo, "  ※描画先のアドレス(base) = 0x%x(NULL又は0の時は不具合)\n",
             unsigned(reinterpret_cast<uintptr_t>(ctx.output.canvas)));
}

// One warning per damaged page, in the job log and to the operator; the
// page prints as it is.
void WarnOfDamage(PrintContext& ctx, const std::string& dataFile) {
  const auto* data = reinterpret_cast<const uint8_t*>(ctx.page.commands.get());
  bool empty = false, noEnd = false;
  size_t unknown = 0, firstUnknown = 0, outside = 0, colours = 0;
  CheckPage(data, ctx.page.bytesRead, [&](const PageFinding& f) {
    switch (f.fault) {
      case PageFault::kEmpty: empty = true; break;
      case PageFault::kNoEnd: noEnd = true; break;
      case PageFault::kUnknownKind:
        if (unknown++ == 0) firstUnknown = f.record;
        break;
      case PageFault::kTextOutside: ++outside; break;
      case PageFault::kColourIndex: ++colours; break;
    }
  });
  std::string parts;
  auto add = [&](const std::string& part) { parts += (parts.empty() ? "" : "、") + part; };
  if (empty) add("空のファイル");
  if (noEnd) add("Endレコードなし");
  auto n = [](size_t v) { return std::to_string(v); };
  if (unknown > 0) add("未定義の種別 " + n(unknown) + "件(最初はレコード" + n(firstUnknown) + ")");
  if (outside > 0) add("データ外の文字列位置 " + n(outside) + "件");
  if (colours > 0) add("50以上の色番号 " + n(colours) + "件");
  if (parts.empty()) return;
  const std::string text = "印刷データに異常があります(" + dataFile + "): " + parts;
  EngineLog(ctx, "  ■" + text + "\n");
  ctx.services.ui.Warn(text);
}

// Printer choice failures: the message box, then a report to the caller,
// or the end of the process when there is no caller.
int ChoiceFailed(PrintContext& ctx, const char* box, const char* line) {
  ctx.services.ui.ShowMessage(box, MessageKind::Error);
  if (ctx.options.parentWindow != 0) return FailJobStep(ctx, line);
  ctx.exitCode = 1;
  ctx.lastErrorMessage = line;
  return -1;
}

// 2. The start of a job: pattern bitmaps looked for again, the start lines
// of the job log, the output's start.
int StartJob(PrintContext& ctx, PageOutput& out) {
  ctx.fills.loaded = false;
  ctx.fills.reported.clear();
  try {
    WriteStartOfJobLines(ctx);
  } catch (const std::exception&) {
    return FailJobStep(ctx, "Printer()例外発生\n");
  }
  if (int rc = out.StartJob(ctx); rc != 0) return rc;
  WritePathLines(ctx);
  return 0;
}

// 5. The page's heading lines.
void WritePageHeading(PrintContext& ctx, const std::string& dataFile) {
  EngineLogf(ctx, kLogInfo, "■□■□■□■□■□ %dページ印刷開始 □■□■□■□■□■\n", ctx.page.pageNumber + 1);
  std::error_code ec;
  auto size = std::filesystem::file_size(FsPath(dataFile), ec);
  if (ec) {
    EngineLogf(ctx, kLogInfo, "【印刷データファイル名】= %s(Unknown by stat error)\n", dataFile.c_str());
  } else {
    EngineLogf(ctx, kLogInfo, "【印刷データファイル名】= %s(%ldbyte)\n", dataFile.c_str(), long(size));
  }
}

// 7. On the job's first page: the printer's choice, the Paper pass and the
// start of the document.
int StartDocument(PrintContext& ctx, const std::string& dataFile, PageOutput& out) {
  const ChooseResult choice = ChoosePrinter(ctx);
  if (choice == ChooseResult::kNoPrinter) {
    return ChoiceFailed(ctx, "  ■GetProfile関数エラー\nプリンタ設定に異常があります\nプリンタ設定の確認をして下さい。",
                        "  ■GetProfile = -1 \n");
  }
  if (choice == ChooseResult::kPdfCancelled) {
    return ChoiceFailed(ctx,
                        "  ■ＰＤＦ出力をキャンセルしました。\n再度ＰＤＦ出力を行う時にデバイス選択画面が表示されます",
                        "  ■GetProfile = -2 \n");
  }
  if (choice == ChooseResult::kDialogCancelled) {
    ctx.exitCode = 1;
    ctx.lastErrorMessage.clear();
    return -1;
  }
  int failedAt = -1;
  int paperEnd = RunPass(ctx, [&](int i, const PrintCommand& c) {
    if (failedAt >= 0 || !c.is(CommandKind::Paper)) return;
    if (gprint_paper(ctx, i) != PaperStageResult::kDone && ctx.options.parentWindow != 0) failedAt = i;
  });
  if (failedAt >= 0) return FailJobStep(ctx, Format("  ■gprint_paperエラー num[%d] \n", failedAt));
  if (paperEnd >= 0) {
    EngineLog(ctx, "【gprint_paper処理終了】********** 印刷設定初期化処理のみ印字終了 **********\n");
  }
  return out.BeginDocument(ctx, dataFile);
}

// 10, 11. The page's canvas, its resolution and the scale of its positions.
int PreparePage(PrintContext& ctx, PageOutput& out) {
  EngineLog(ctx, "【GetDeviceCaps関数 In】\n");
  int dpiX = 0, dpiY = 0;
  if (int rc = out.PreparePage(ctx, dpiX, dpiY); rc != 0) return rc;
  if (ctx.output.canvas == nullptr) return FailJobStep(ctx, "Printer()例外発生 base代入, Title代入処理\n");
  const double xdpi = dpiX * 0.00625, ydpi = dpiY * 0.00625;
  ctx.page.scaleX = xdpi * ctx.page.magnification;
  ctx.page.scaleY = ydpi * ctx.page.magnification;
  WriteScaleLog(ctx, xdpi, ydpi);
  WriteFillMethodBlock(ctx);
  return 0;
}

// 14. The page's label for runs without a caller.
void DrawPageLabel(PrintContext& ctx) {
  Canvas& canvas = *ctx.output.canvas;
  CanvasStateSaver saved(canvas);
  FontSpec label;
  label.face = "Tahoma";
  label.height = -(12 * canvas.PixelsPerInchY() / 72);  // 12 points, em height
  canvas.SetFont(label);
  canvas.SetTextColour(kBlack);
  canvas.DrawText({20, 20}, "DEBUG MODE :" + ctx.page.debugLabel);
}

// 12-15. The passes over the page: palette, fills, the label, then lines,
// circles and strings in file order.
void DrawPage(PrintContext& ctx) {
  int end = RunPass(ctx, [&](int, const PrintCommand& c) {
    if (!c.is(CommandKind::Palette)) return;
    ApplyPalette(ctx, c);
    ctx.page.counts.palette++;
  });
  if (end >= 0) {
    ctx.page.commandCount = end;
    EngineLog(ctx, "【gprint_pallet処理終了】********** データカウント、色テーブル初期化処理のみ印字終了 **********\n");
  }
  if (!ctx.options.skipFills) {
    end = RunPass(ctx, [&](int i, const PrintCommand& c) {
      if (!c.is(CommandKind::Paint)) return;
      ctx.page.counts.paint++;
      if (ctx.options.fillMethod >= 1 && ctx.options.fillMethod <= 6) DrawPaint(ctx, i);
    });
    if (end >= 0) EngineLog(ctx, "【gprint_paint処理終了】********** 塗り潰し処理のみ印字終了 **********\n");
  }
  if (!ctx.page.debugLabel.empty() && ctx.options.parentWindow == 0) DrawPageLabel(ctx);
  end = RunPass(ctx, [&](int i, const PrintCommand& c) {
    switch (CommandKind(c.kind())) {
      case CommandKind::Line: ctx.page.counts.line++; gprint_line(ctx, i); break;
      case CommandKind::Circle: ctx.page.counts.circle++; gprint_circle(ctx, i); break;
      case CommandKind::String: ctx.page.counts.string++; gprint_string(ctx, i); break;
      default: break;
    }
  });
  if (end >= 0) {
    EngineLog(ctx, "【gprint_line,circle, string処理終了】********** 線、円、文字処理のみ印字終了 **********\n");
  }
}

int RunPage(PrintContext& ctx, const std::string& dataFile, PageOutput& out) {
  // 1. Analysis log.
  if (ctx.log.analysisLog == 1) OpenAnalysisLog(ctx);
  // 2. Start of a job.
  if (ctx.page.pageNumber == 0) {
    if (int rc = StartJob(ctx, out); rc != 0) return rc;
  }
  // 3. Page label.
  ctx.page.debugLabel = !ctx.options.suppressDebugLabel ? dataFile : std::string();
  // 4. Read the page.
  if (!ReadPage(ctx, dataFile)) {
    return FailJobStep(ctx, Format("印刷データオープンまたは読み込みで例外発生(%s) \n", dataFile.c_str()));
  }
  // 5. Page heading.
  WritePageHeading(ctx, dataFile);
  WarnOfDamage(ctx, dataFile);
  // 6, 7.
  ctx.page.commandCount = 0;
  if (ctx.page.pageNumber == 0) {
    if (int rc = StartDocument(ctx, dataFile, out); rc != 0) return rc;
  }
  // 8, 9. Offsets and fonts.
  LoadOffsets(ctx);
  RebuildFontLists(ctx);
  // 10, 11. Resolution and scale.
  if (int rc = PreparePage(ctx, out); rc != 0) return rc;
  // 12-15. The drawing passes.
  DrawPage(ctx);
  ReportClampedValues(ctx);
  // 16. End of the page.
  bool finished = false;
  if (int rc = out.EndPage(ctx, dataFile, finished); rc != 0 || finished) return rc;
  // 17-19. End of the job.
  if (ctx.log.analysisLog == 1) WriteAnalysisCounts(ctx);
  if (!ctx.output.savedDefaultPrinter.empty()) RestoreDefaultPrinter(ctx);
  return ReleasePrinter(ctx);
}

}  // namespace

int gprint(PrintContext& ctx, const std::string& dataFile, PageImage* image, const std::string& jpegFolder) {
  ctx.page.counts = {};
  ctx.page.clampedValues = 0;
  try {
    PrinterOutput printer;
    PictureOutput pictures(image, jpegFolder);
    return RunPage(ctx, dataFile, ctx.output.jpegPages ? static_cast<PageOutput&>(pictures) : printer);
  } catch (const JobFailure& e) {
    // Raised on to the caller, with its line in the job log first (opened
    // here when the failure came before the job's start).
    if (!ctx.log.logStream) OpenEngineLog(ctx);
    EngineLog(ctx, e.what(), kLogError);
    ctx.lastErrorMessage = e.what();
    throw;
  } catch (const std::exception& e) {
    return FailJobStep(ctx, Format("  ■例外が発生しました(%s)\n", e.what()), kLogError);
  }
}

void AbortPrintJob(PrintContext& ctx) {
  PrintSystem& ps = ctx.services.printers;
  ps.AbortDocument();
  ctx.output.documentOpen = false;
  ctx.page.pageNumber = 0;
}

}  // namespace kestrel
