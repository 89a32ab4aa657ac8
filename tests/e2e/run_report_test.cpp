// The run report of KESTREL_REPORT: for a run that printed, one that printed
// part of what it was asked and one that was refused, the document follows
// its schema and says, without a log, which files printed, where the PDF
// went and why a file was not printed; the same for the filter pdattopdf
// and kestrel-tools analyse.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/engine_fixture.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

// exit code, outcomes, output kinds (":-" for standard output), the printer
// and the first error of a report, by the schema's validator and reader
// (python3-jsonschema); then any output it names that is not there.
std::string Summary(const std::string& report) {
  const std::string script =
      "import json, os, sys, jsonschema\n"
      "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
      "jsonschema.validate(d, json.load(open(sys.argv[2], encoding='utf-8')))\n"
      "errors = [f['error'] for f in d['files'] if 'error' in f]\n"
      "print(d['exitCode'], ','.join(f['outcome'] for f in d['files']) or '-',\n"
      "      ','.join(o['kind'] + (':-' if o['path'] == '-' else '') for o in d['outputs']) or '-',\n"
      "      d['printer'] or '-', errors[0] if errors else '-')\n"
      "for o in d['outputs']:\n"
      "    if o['path'] != '-' and not os.path.exists(o['path']): print('missing', o['path'])\n";
  return Shell("/usr/bin/python3 -c \"$(cat <<'PY'\n" + script + "PY\n)\" '" + report + "' '" KESTREL_SOURCE_DIR
               "/docs/run-report.schema.json' 2>&1");
}

// A run in base, without CUPS or a display, writing its report to report.
ProgramRun RunWithReport(const std::string& program, const std::vector<std::string>& args, const TempDir& base,
                         const std::string& report) {
  return RunProgramAndWait(program, args,
                           {{"KESTREL_BASE", base.path().string() + "/"},
                            {"KESTREL_REPORT", report},
                            {"KESTREL_NO_CUPS", "1"},
                            {"KESTREL_UI", "headless"},
                            {"DISPLAY", ""}});
}

TEST(RunReport, SaysWhatPrintedWhereItWentAndWhyAFileDidNot) {
  TempDir base;
  PageBuilder page;
  page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0).End();
  const std::string a = base.Write("data/a.pdat", page.bytes());
  const std::string b = base.Write("data/b.pdat", page.bytes());
  const std::string missing = base.file("data/missing.pdat");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string summary;  // Summary() of the report
  } cases[] = {
      {"printed", {"-p", a + "," + b}, "0 printed,printed pdf Kestrel PDF -\n"},
      // A file list is one document: the missing second file leaves the
      // first one's page unprinted too.
      {"partly",
       {"-p", a + "," + missing},
       "3 failed,failed - Kestrel PDF drawn into a print document that was never finished (a later file of it was "
       "not printed)\n"},
      {"refused", {"-p", base.file("nowhere") + ",2"}, "3 - - - -\n"},
      {"no value", {"-p"}, "2 - - - -\n"},
  };
  for (const Case& c : cases) {
    const std::string report = base.file(std::string("report-") + c.what + ".json");
    ProgramRun r = RunWithReport(KESTREL_PROGRAM, c.args, base, report);
    EXPECT_EQ(Summary(report), c.summary) << c.what << "\n" << r.err;
  }
  // The PDF it names is there.
  const std::string printed = ReadFile(base.file("report-printed.json"));
  const size_t at = printed.find("\"kind\": \"pdf\", \"path\": \"");
  ASSERT_NE(at, std::string::npos) << printed;
  const size_t start = at + 24;
  EXPECT_TRUE(fs::exists(printed.substr(start, printed.find('"', start) - start)));
}

TEST(RunReport, TheFilterAndTheAnalysisRunReportTheirFilesAndOutputs) {
  TempDir base;
  PageBuilder page;
  page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0).End();
  const std::string a = base.Write("data/a.pdat", page.bytes());
  const std::string empty = base.Write("data/empty.pdat", "");
  const std::vector<std::string> filter = {"1", "user", "title", "1", ""};
  auto with = [](std::vector<std::string> args, std::initializer_list<std::string> more) {
    args.insert(args.end(), more);
    return args;
  };
  struct Case {
    const char* what;
    const char* program;
    std::vector<std::string> args;
    std::string summary;  // Summary() of the report
  } cases[] = {
      {"filter printed", PDATTOPDF_PROGRAM, with(filter, {a, a}), "0 printed,printed pdf:- Kestrel PDF -\n"},
      // Data that is not print data fails the job before a page is drawn.
      {"filter refused", PDATTOPDF_PROGRAM, with(filter, {a, empty}),
       "1 failed - - not print data (empty, or no record of a known kind)\n"},
      {"filter wrong use", PDATTOPDF_PROGRAM, {"1", "user"}, "1 - - - -\n"},
      {"analysed", KESTREL_TOOLS_PROGRAM, {"analyse", a, "--exclude-circles"}, "0 printed jpeg,analysis-log - -\n"},
      {"not analysed", KESTREL_TOOLS_PROGRAM, {"analyse", base.file("data/missing.pdat")}, "1 - - - -\n"},
      {"analyse wrong use", KESTREL_TOOLS_PROGRAM, {"analyse", a, "--exclude-lines", "9"}, "2 - - - -\n"},
  };
  for (const Case& c : cases) {
    const std::string report = base.file(std::string("report-") + c.what + ".json");
    ProgramRun r = RunWithReport(c.program, c.args, base, report);
    EXPECT_EQ(Summary(report), c.summary) << c.what << "\n" << r.err;
    // The filter's PDF is on standard output exactly when the report says so.
    if (c.program == std::string(PDATTOPDF_PROGRAM)) {
      EXPECT_EQ(r.out.starts_with("%PDF-"), r.exitCode == 0) << c.what;
    }
  }
}

}  // namespace
}  // namespace kestrel::test
