#include "engine/page_output.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "engine/coordinates.h"
#include "engine/engine_log.h"
#include "engine/jpeg_output.h"

namespace kestrel {

int PrinterOutput::StartJob(PrintContext& ctx) {
  try {
    ctx.output.canvas = ctx.services.printers.DocumentCanvas();
  } catch (const std::exception&) {
    return FailJobStep(ctx, "Printer()例外発生 base代入, Title代入処理\n");
  }
  return 0;
}

int PrinterOutput::BeginDocument(PrintContext& ctx, const std::string& dataFile) {
  PrintSystem& ps = ctx.services.printers;
  EngineLog(ctx, "【********** BeginDoc Before ***********】\n");
  const std::string& jobTitle = ctx.output.jobTitle;
  std::string title = !jobTitle.empty() ? jobTitle : !dataFile.empty() ? dataFile : "Kestrel印刷物";
  if (ps.BeginDocument(title) != 0) {
    int code = ps.LastError();
    EngineLogf(ctx, kLogError, "  ■BeginDocで例外が発生 (%d) = GetLastError : [%s]\n", code, ps.ErrorText(code).c_str());
    return -1;
  }
  ctx.output.documentOpen = true;
  ctx.output.canvas = ps.DocumentCanvas();
  EngineLog(ctx, "【********** BeginDoc After ***********】\n");
  return 0;
}

int PrinterOutput::PreparePage(PrintContext& ctx, int& dpiX, int& dpiY) {
  dpiX = ctx.services.printers.DpiX();
  dpiY = ctx.services.printers.DpiY();
  EngineLog(ctx, "【GetDeviceCaps関数 Success】\n");
  return 0;
}

// The document ends after the job's last file, and after each file of a
// run that prints one sheet per document; otherwise the next file starts a
// new sheet of the same document.
int PrinterOutput::EndPage(PrintContext& ctx, const std::string&, bool& finished) {
  PrintSystem& ps = ctx.services.printers;
  finished = false;
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
  return FailJobStep(ctx, message, kLogError);
}

int PictureOutput::PreparePage(PrintContext& ctx, int& dpiX, int& dpiY) {
  if (image_ == nullptr) return FailJobStep(ctx, "  ■JPEG出力先のイメージがありません\n", kLogError);
  const int dpi = ctx.options.jpegDpi;
  // A page of no pixels cannot be drawn or saved: said as it is, not as
  // an exception of the job.
  if (dpi <= 0)
    return FailJobStep(
        ctx, Format("  ■JPEGの解像度が正しくありません($jdpi=%d)。1以上の値を指定して下さい\n", dpi), kLogError);
  const int width = MmToPixels(dpi, ctx.page.paperWidthMm), height = MmToPixels(dpi, ctx.page.paperHeightMm);
  // Refused before anything is allocated: memory grows with the square
  // of $jdpi. The limit is the smaller of the budget and what the
  // system's bitmap can hold (a Windows DIB section: under 2 GiB).
  const int64_t limit = std::min(kMaxPageBitmapPixels, image_->MaxPixels(std::max(width, 1)));
  if (!PageBitmapFits(width, height, limit)) {
    char text[320];
    std::snprintf(text, sizeof text,
                  "  ■JPEGのページ画像が大きすぎます: %d x %d ピクセル($jdpi=%d)。上限は %lld ピクセル、"
                  "一辺 %d ピクセルです\n",
                  width, height, dpi, static_cast<long long>(limit), kMaxPageBitmapSide);
    return FailJobStep(ctx, text, kLogError);
  }
  ctx.output.canvas = &image_->Prepare(width, height, dpi);
  EngineLog(ctx, "【GetDeviceCaps関数 Success】\n");
  dpiX = dpiY = dpi;
  return 0;
}

int PictureOutput::EndPage(PrintContext& ctx, const std::string& dataFile, bool& finished) {
  finished = false;
  if (image_ == nullptr) return FailJobStep(ctx, "  ■EndDoc関数 Error = JPEG image missing\n", kLogError);
  SaveJpegPage(ctx, *image_, dataFile, folder_);
  return 0;
}

}  // namespace kestrel
