#include "app/run_report.h"

#include <algorithm>
#include <cstdio>

#include "engine/print_context.h"
#include "util/local_time.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace {

// The report is a handful of strings, numbers and lists; this writer is
// the few lines JSON needs (strings escaped as RFC 8259 says), which keeps
// the Windows build free of another library.
void AppendString(std::string& out, const std::string& text) {
  out += '"';
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

std::string Time(std::time_t t) {
  const std::tm utc = UtcTimeOf(t);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

const char* KindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning: return "warning";
    case MessageKind::Error: return "error";
    case MessageKind::Information: break;
  }
  return "information";
}

}  // namespace

void RunReport::AddOutput(const std::string& kind, const std::string& path) {
  if (path.empty()) return;
  for (const Output& o : outputs)
    if (o.kind == kind && o.path == path) return;
  outputs.push_back({kind, path});
}

void RunReport::AddJob(const std::string& dataFile, int rc, const PrintContext& ctx) {
  File file;
  file.path = dataFile;
  file.printed = rc == 0 && !ctx.output.documentOpen;
  file.pending = rc == 0 && ctx.output.documentOpen;
  if (file.printed) {
    for (File& earlier : files) {
      if (!earlier.pending) continue;
      earlier.pending = false;
      earlier.printed = true;
    }
  }
  if (rc == 0) {
    file.pages = 1;
    file.paperCode = ctx.page.paperCode;
    file.paperWidthMm = ctx.page.paperWidthMm;
    file.paperHeightMm = ctx.page.paperHeightMm;
  } else {
    file.error = ctx.lastErrorMessage;
    while (!file.error.empty() && (file.error.back() == '\n' || file.error.back() == ' ')) file.error.pop_back();
  }
  files.push_back(std::move(file));
  if (!ctx.output.jpegPages && !ctx.output.deviceName.empty()) printer = ctx.output.deviceName;
  AddOutput("jpeg", ctx.output.lastJpegFile);
  if (ctx.log.logEnabled != 0) AddOutput("job-log", ctx.log.logFileName);
  if (ctx.log.analysisLog == 1) AddOutput("analysis-log", ctx.log.analysisLogPath);
}

void RunReport::FailPendingFiles() {
  for (File& file : files) {
    if (!file.pending) continue;
    file.pending = false;
    file.pages = 0;
    file.error = "drawn into a print document that was never finished (a later file of it was not printed)";
  }
}

const char* ExitCodeMeaning(int exitCode) {
  switch (exitCode) {
    case 0: return "printed";
    case 1: return "the run ended at once (see the messages and the critical log)";
    case 2: return "an option lacks its value";
    case 3: return "a requested file was not printed";
    default: return "unknown";
  }
}

std::string RunReportJson(const RunReport& r) {
  std::string out = "{\n  \"program\": ";
  AppendString(out, r.program);
  out += ",\n  \"version\": ";
  AppendString(out, r.version);
  out += ",\n  \"arguments\": [";
  for (size_t i = 0; i < r.arguments.size(); ++i) {
    if (i > 0) out += ", ";
    AppendString(out, r.arguments[i]);
  }
  out += "],\n  \"baseFolder\": ";
  AppendString(out, r.baseFolder);
  out += ",\n  \"started\": ";
  AppendString(out, Time(r.started));
  out += ",\n  \"ended\": ";
  AppendString(out, Time(r.ended));
  out += ",\n  \"exitCode\": " + std::to_string(r.exitCode) + ",\n  \"exitMeaning\": ";
  AppendString(out, r.exitMeaning);
  out += ",\n  \"printer\": ";
  AppendString(out, r.printer);
  out += ",\n  \"files\": [";
  for (size_t i = 0; i < r.files.size(); ++i) {
    const RunReport::File& f = r.files[i];
    out += i > 0 ? ",\n    {" : "\n    {";
    out += "\"path\": ";
    AppendString(out, f.path);
    out += ", \"outcome\": ";
    AppendString(out, f.printed ? "printed" : "failed");
    out += ", \"pages\": " + std::to_string(f.pages);
    if (f.pages > 0) {
      out += ", \"paper\": {\"code\": " + std::to_string(f.paperCode) +
             ", \"widthMm\": " + std::to_string(f.paperWidthMm) + ", \"heightMm\": " + std::to_string(f.paperHeightMm) +
             "}";
    }
    if (!f.error.empty()) {
      out += ", \"error\": ";
      AppendString(out, f.error);
    }
    out += "}";
  }
  out += r.files.empty() ? "],\n  \"outputs\": [" : "\n  ],\n  \"outputs\": [";
  for (size_t i = 0; i < r.outputs.size(); ++i) {
    out += i > 0 ? ",\n    {\"kind\": " : "\n    {\"kind\": ";
    AppendString(out, r.outputs[i].kind);
    out += ", \"path\": ";
    AppendString(out, r.outputs[i].path);
    out += "}";
  }
  out += r.outputs.empty() ? "],\n  \"messages\": [" : "\n  ],\n  \"messages\": [";
  for (size_t i = 0; i < r.messages.size(); ++i) {
    out += i > 0 ? ",\n    {\"kind\": " : "\n    {\"kind\": ";
    AppendString(out, KindName(r.messages[i].kind));
    out += std::string(", \"question\": ") + (r.messages[i].question ? "true" : "false") + ", \"text\": ";
    AppendString(out, r.messages[i].text);
    out += "}";
  }
  out += r.messages.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

bool WriteRunReport(const RunReport& report, const std::string& path) {
  ReplacingFile file;
  return file.Open(path) && file.Write(RunReportJson(report)) && file.Commit();
}

void EndRunReport(RunReport& report, int exitCode, const std::string& meaning, const std::string& path, Ui& ui) {
  report.exitCode = exitCode;
  report.exitMeaning = meaning;
  report.ended = std::time(nullptr);
  report.FailPendingFiles();
  if (!WriteRunReport(report, path)) ui.Warn("実行レポートを作成できませんでした(" + path + ")");
}

}  // namespace kestrel
