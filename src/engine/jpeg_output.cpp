#include "engine/jpeg_output.h"

#include "engine/engine_log.h"
#include "engine/job_failure.h"

namespace kestrel {

namespace {

size_t NameStart(const std::string& path) {
  size_t slash = path.find_last_of("/\\:");
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string ChangeExtension(const std::string& path, const std::string& extension) {
  size_t start = NameStart(path);
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < start) return path + extension;
  return path.substr(0, dot) + extension;
}

std::string JpegFileName(const PrintContext& ctx, const std::string& dataFile, const std::string& jpegFolder) {
  const char* extension = ctx.output.pngPages ? ".png" : ".jpg";
  if (ctx.log.analysisLog == 1) return ChangeExtension(ctx.log.analysisLogPath, extension);
  if (jpegFolder.empty()) return ChangeExtension(dataFile, extension);
  return jpegFolder + ChangeExtension(dataFile.substr(NameStart(dataFile)), extension);
}

void SaveJpegPage(PrintContext& ctx, PageImage& image, const std::string& dataFile, const std::string& jpegFolder) {
  EngineLog(ctx, "【TJPEGImage処理】\n");
  std::string path = JpegFileName(ctx, dataFile, jpegFolder);
  // A print-data file named "*.jpg" would be replaced by its own page.
  const std::string realData = ctx.services.system.RealPath(dataFile);
  if (path == dataFile || (!realData.empty() && ctx.services.system.RealPath(path) == realData))
    throw JobFailure(Format("  ■JPEG保存エラー(JPEGの出力先が印刷データ自身です : %s)\n", path.c_str()));
  std::string error;
  // Not handled here: the failure goes up to the controller's exception step.
  if (ctx.output.pngPages) {
    if (!image.SavePng(path, error)) throw JobFailure(Format("  ■PNG保存エラー(%s)\n", error.c_str()));
    ctx.output.lastJpegFile = path;
    return;
  }
  image.SetJpegQuality(ctx.options.jpegQuality);
  image.SetJpegSampling(ctx.options.jpegSampling);
  if (!image.SaveJpeg(path, error)) throw JobFailure(Format("  ■JPEG保存エラー(%s)\n", error.c_str()));
  ctx.output.lastJpegFile = path;
}

}  // namespace kestrel
