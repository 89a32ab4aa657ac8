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
#include "engine/jpeg_output.h"
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

int Fail(PrintContext& ctx, const std::string& message, int level = kLogInfo) {
  EngineLog(ctx, message, level);
  ctx.lastErrorMessage = message;
  return -1;
}

// Printer choice failures: the message box, then a report to the caller,
// or the end of the process when there is no caller.
int ChoiceFailed(PrintContext& ctx, const char* box, const char* line) {
  ctx.services.ui.ShowMessage(box, MessageKind::Error);
  if (ctx.options.parentWindow != 0) return Fail(ctx, line);
  ctx.exitCode = 1;
  ctx.lastErrorMessage = line;
  return -1;
}

int EndOfPage(PrintContext& ctx, const std::string& dataFile, PageImage* image, const std::string& jpegFolder,
              bool& finished) {
  PrintSystem& ps = ctx.services.printers;
  finished = false;
  if (!ctx.output.jpegPages) {
    EngineLog(ctx, "【EndDoc関数呼出】\n");
    auto whiteBrush = [&] {
      if (ctx.output.canvas != nullptr) ctx.output.canvas->SetBrush(Brush{BrushKind::Solid, kWhite});
    };
    int rc = 0;
    if (ctx.page.lastFile == 1) {
      rc = ps.EndDocument();
      if (rc == 0) {
        ctx.output.documentOpen = false;
        whiteBrush();
        return 0;  // on to the end of the job
      }
    } else if (ctx.options.batchMode == 0 && ctx.output.duplexSetting == 0) {
      rc = ps.EndDocument();
      if (rc == 0) {
        ctx.output.documentOpen = false;
        whiteBrush();
        ctx.page.pageNumber += 1;
        finished = true;
        return 0;
      }
    } else {
      rc = ps.NewSheet();
      if (rc == 0) {
        whiteBrush();
        ctx.page.pageNumber += 1;
        finished = true;
        return 0;
      }
    }
    std::string message = Format("  ■EndDoc関数 Error = %s\n", ps.ErrorText(ps.LastError()).c_str());
    return Fail(ctx, message, kLogError);
  }
  if (image == nullptr) return Fail(ctx, "  ■EndDoc関数 Error = JPEG image missing\n", kLogError);
  SaveJpegPage(ctx, *image, dataFile, jpegFolder);
  return 0;
}

int RunPage(PrintContext& ctx, const std::string& dataFile, PageImage* image, const std::string& jpegFolder) {
  PrintSystem& ps = ctx.services.printers;

  // 1. Analysis log.
  if (ctx.log.analysisLog == 1) OpenAnalysisLog(ctx);

  // 2. Start of a job.
  if (ctx.page.pageNumber == 0) {
    // Pattern bitmaps are looked for again by each job.
    ctx.fills.loaded = false;
    ctx.fills.reported.clear();
    try {
      WriteStartOfJobLines(ctx);
    } catch (const std::exception&) {
      return Fail(ctx, "Printer()例外発生\n");
    }
    if (!ctx.output.jpegPages) {
      try {
        ctx.output.canvas = ps.DocumentCanvas();
      } catch (const std::exception&) {
        return Fail(ctx, "Printer()例外発生 base代入, Title代入処理\n");
      }
    }
    WritePathLines(ctx);
  }

  // 3. Empty page area, page label.
  ctx.page.debugLabel = !ctx.options.suppressDebugLabel ? dataFile : std::string();

  // 4. Read the page.
  if (!ReadPage(ctx, dataFile)) {
    return Fail(ctx, Format("印刷データオープンまたは読み込みで例外発生(%s) \n", dataFile.c_str()));
  }

  // 5. Page heading.
  EngineLogf(ctx, kLogInfo, "■□■□■□■□■□ %dページ印刷開始 □■□■□■□■□■\n", ctx.page.pageNumber + 1);
  {
    std::error_code ec;
    auto size = std::filesystem::file_size(FsPath(dataFile), ec);
    if (ec) {
      EngineLogf(ctx, kLogInfo, "【印刷データファイル名】= %s(Unknown by stat error)\n", dataFile.c_str());
    } else {
      EngineLogf(ctx, kLogInfo, "【印刷データファイル名】= %s(%ldbyte)\n", dataFile.c_str(), long(size));
    }
  }

  WarnOfDamage(ctx, dataFile);

  // 6.
  ctx.page.commandCount = 0;

  // 7. Printer choice, Paper pass, start of the document.
  if (ctx.page.pageNumber == 0) {
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
      if (gprint_paper(ctx, i, image) != PaperStageResult::kDone && ctx.options.parentWindow != 0) failedAt = i;
    });
    if (failedAt >= 0) return Fail(ctx, Format("  ■gprint_paperエラー num[%d] \n", failedAt));
    if (paperEnd >= 0) {
      EngineLog(ctx, "【gprint_paper処理終了】********** 印刷設定初期化処理のみ印字終了 **********\n");
    }

    if (!ctx.output.jpegPages) {
      EngineLog(ctx, "【********** BeginDoc Before ***********】\n");
      const std::string& jobTitle = ctx.output.jobTitle;
      std::string title = !jobTitle.empty() ? jobTitle : !dataFile.empty() ? dataFile : "Kestrel印刷物";
      if (ps.BeginDocument(title) != 0) {
        int code = ps.LastError();
        EngineLogf(ctx, kLogError, "  ■BeginDocで例外が発生 (%d) = GetLastError : [%s]\n", code,
                   ps.ErrorText(code).c_str());
        return -1;
      }
      ctx.output.documentOpen = true;
      ctx.output.canvas = ps.DocumentCanvas();
      EngineLog(ctx, "【********** BeginDoc After ***********】\n");
    }
  }

  // 8, 9. Offsets and fonts.
  LoadOffsets(ctx);
  RebuildFontLists(ctx);

  // 10, 11. Resolution and scale.
  EngineLog(ctx, "【GetDeviceCaps関数 In】\n");
  double xdpi = 0, ydpi = 0;
  if (ctx.output.jpegPages) {
    if (image == nullptr) return Fail(ctx, "  ■JPEG出力先のイメージがありません\n", kLogError);
    const int dpi = ctx.options.jpegDpi;
    // A page of no pixels cannot be drawn or saved: said as it is, not as
    // an exception of the job.
    if (dpi <= 0)
      return Fail(ctx, Format("  ■JPEGの解像度が正しくありません($jdpi=%d)。1以上の値を指定して下さい\n", dpi), kLogError);
    const int width = MmToPixels(dpi, ctx.page.paperWidthMm), height = MmToPixels(dpi, ctx.page.paperHeightMm);
    // Refused before anything is allocated: memory grows with the square
    // of $jdpi. The limit is the smaller of the budget and what the
    // system's bitmap can hold (a Windows DIB section: under 2 GiB).
    const int64_t limit = std::min(kMaxPageBitmapPixels, image->MaxPixels(std::max(width, 1)));
    if (!PageBitmapFits(width, height, limit)) {
      char text[320];
      std::snprintf(text, sizeof text,
                    "  ■JPEGのページ画像が大きすぎます: %d x %d ピクセル($jdpi=%d)。上限は %lld ピクセル、"
                    "一辺 %d ピクセルです\n",
                    width, height, int(ctx.options.jpegDpi), static_cast<long long>(limit), kMaxPageBitmapSide);
      return Fail(ctx, text, kLogError);
    }
    ctx.output.canvas = &image->Prepare(width, height, ctx.options.jpegDpi);
    EngineLog(ctx, "【GetDeviceCaps関数 Success】\n");
    xdpi = ctx.options.jpegDpi * 0.00625;
    ydpi = ctx.options.jpegDpi * 0.00625;
  } else {
    int px = ps.DpiX();
    int py = ps.DpiY();
    EngineLog(ctx, "【GetDeviceCaps関数 Success】\n");
    xdpi = px * 0.00625;
    ydpi = py * 0.00625;
  }
  if (ctx.output.canvas == nullptr) return Fail(ctx, "Printer()例外発生 base代入, Title代入処理\n");
  ctx.page.scaleX = xdpi * ctx.page.magnification;
  ctx.page.scaleY = ydpi * ctx.page.magnification;
  WriteScaleLog(ctx, xdpi, ydpi);
  WriteFillMethodBlock(ctx);

  // 12. Palette pass.
  int end = RunPass(ctx, [&](int, const PrintCommand& c) {
    if (!c.is(CommandKind::Palette)) return;
    ApplyPalette(ctx, c);
    ctx.page.counts.palette++;
  });
  if (end >= 0) {
    ctx.page.commandCount = end;
    EngineLog(ctx, "【gprint_pallet処理終了】********** データカウント、色テーブル初期化処理のみ印字終了 **********\n");
  }

  // 13. Fill pass.
  if (!ctx.options.skipFills) {
    end = RunPass(ctx, [&](int i, const PrintCommand& c) {
      if (!c.is(CommandKind::Paint)) return;
      ctx.page.counts.paint++;
      if (ctx.options.fillMethod >= 1 && ctx.options.fillMethod <= 6) DrawPaint(ctx, i);
    });
    if (end >= 0) EngineLog(ctx, "【gprint_paint処理終了】********** 塗り潰し処理のみ印字終了 **********\n");
  }

  // 14. Page label for runs without a caller.
  if (!ctx.page.debugLabel.empty() && ctx.options.parentWindow == 0) {
    FontSpec saved = ctx.output.canvas->state().font;
    Colour savedColour = ctx.output.canvas->state().textColour;
    FontSpec label;
    label.face = "Tahoma";
    label.height = -(12 * ctx.output.canvas->PixelsPerInchY() / 72);  // 12 points, em height
    ctx.output.canvas->SetFont(label);
    ctx.output.canvas->SetTextColour(kBlack);
    ctx.output.canvas->DrawText({20, 20}, "DEBUG MODE :" + ctx.page.debugLabel);
    ctx.output.canvas->SetFont(saved);
    ctx.output.canvas->SetTextColour(savedColour);
  }

  // 15. Lines, circles and strings in file order.
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

  ReportClampedValues(ctx);

  // 16. End of the page.
  bool finished = false;
  if (int rc = EndOfPage(ctx, dataFile, image, jpegFolder, finished); rc != 0 || finished) return rc;

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
    return RunPage(ctx, dataFile, image, jpegFolder);
  } catch (const JobFailure& e) {
    // Raised on to the caller, with its line in the job log first (opened
    // here when the failure came before the job's start).
    if (!ctx.log.logStream) OpenEngineLog(ctx);
    EngineLog(ctx, e.what(), kLogError);
    ctx.lastErrorMessage = e.what();
    throw;
  } catch (const std::exception& e) {
    return Fail(ctx, Format("  ■例外が発生しました(%s)\n", e.what()), kLogError);
  }
}

void AbortPrintJob(PrintContext& ctx) {
  PrintSystem& ps = ctx.services.printers;
  ps.AbortDocument();
  ctx.output.documentOpen = false;
  ctx.page.pageNumber = 0;
}

}  // namespace kestrel
