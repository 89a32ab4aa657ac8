// Where a job's pages go: the print document of the chosen printer (a CUPS
// queue, the built-in PDF device, the Windows spooler: the PrintSystem) or
// a picture file per page (JPEG pages, PNG previews: a PageImage). The job
// driver (gprint) asks its output at each step, in the job's order, and
// never which output it is. Each step returns 0, or -1 with its line in the
// job log and the text in lastErrorMessage.
#pragma once

#include <string>

#include "engine/print_context.h"

namespace kestrel {

class PageOutput {
 public:
  virtual ~PageOutput() = default;
  // At the start of a job, before the printer is chosen.
  virtual int StartJob(PrintContext& ctx) = 0;
  // Once the printer and the paper are set, on the job's first page.
  virtual int BeginDocument(PrintContext& ctx, const std::string& dataFile) = 0;
  // Makes ctx.output.canvas the page's canvas; its resolution (pixels per inch).
  virtual int PreparePage(PrintContext& ctx, int& dpiX, int& dpiY) = 0;
  // Ends the drawn page. finished: the job goes on with a next file (the
  // end-of-job steps are not run yet).
  virtual int EndPage(PrintContext& ctx, const std::string& dataFile, bool& finished) = 0;
};

// The printer's print document (ctx.services.printers).
class PrinterOutput final : public PageOutput {
 public:
  int StartJob(PrintContext& ctx) override;
  int BeginDocument(PrintContext& ctx, const std::string& dataFile) override;
  int PreparePage(PrintContext& ctx, int& dpiX, int& dpiY) override;
  int EndPage(PrintContext& ctx, const std::string& dataFile, bool& finished) override;
};

// A picture file per page, drawn on image at the job's resolution ($jdpi)
// and saved (jpeg_output.h) as JPEG, or PNG with output.pngPages.
// jpegFolder as gprint takes it.
class PictureOutput final : public PageOutput {
 public:
  PictureOutput(PageImage* image, const std::string& jpegFolder) : image_(image), folder_(jpegFolder) {}
  int StartJob(PrintContext&) override { return 0; }
  int BeginDocument(PrintContext&, const std::string&) override { return 0; }
  int PreparePage(PrintContext& ctx, int& dpiX, int& dpiY) override;
  int EndPage(PrintContext& ctx, const std::string& dataFile, bool& finished) override;

 private:
  PageImage* image_;
  const std::string& folder_;
};

}  // namespace kestrel
