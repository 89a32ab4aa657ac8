// Log opening against links planted in the base folder, on the real file
// system. Each input builds a tree of folders, files and links in a scratch
// base folder (links to a sentinel file and a folder outside the base, to
// names there that do not exist yet, to the base itself, to each other),
// then opens logs at names it chooses: OpenForAppend, CreateExclusively and
// MakeFoldersWithoutLinks of util/file_open, the program log, the critical
// log, the job log and the analysis log. Whatever the tree:
//  - the sentinel keeps its bytes and nothing appears, changes or goes
//    outside the base (the outside folder, the scratch root's entries);
//  - an opened file is a regular file under the base, not reached through
//    a link.
// The base is emptied after every input.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/program_log.h"
#include "app/run_settings.h"
#include "engine/analysis_log.h"
#include "engine/engine_log.h"
#include "fuzz_support.h"
#include "util/file_open.h"

using namespace kestrel;
namespace fs = std::filesystem;

namespace {

const char* const kNames[] = {"zoq", "plog", "palog", "CriticalPLOG.txt", "plog_20240102_030405.txt",
                              "job_20240102_030405.txt", "x", "."};
constexpr size_t kNameCount = sizeof kNames / sizeof *kNames;

struct Scratch {
  std::string base;     // ends with '/'
  std::string outside;  // ends with '/'
  std::string root;     // the folder holding both
  std::string prefix;   // this process's names in root
  std::string sentinel;
};

const std::string kSentinelText = "sentinel: never written\n";

// What lies outside the base: every entry under outside (path, kind, size,
// modification time) and this process's entries in the scratch root.
std::map<std::string, std::string> Outside(const Scratch& s) {
  std::map<std::string, std::string> seen;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(s.outside, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    struct stat st {};
    if (lstat(it->path().c_str(), &st) != 0) continue;
    std::ostringstream o;
    o << st.st_mode << ' ' << st.st_size << ' ' << st.st_mtim.tv_sec << '.' << st.st_mtim.tv_nsec;
    seen[it->path().string()] = o.str();
  }
  for (const auto& entry : fs::directory_iterator(s.root, ec))
    if (entry.path().filename().string().rfind(s.prefix, 0) == 0) seen[entry.path().string()] = "entry";
  return seen;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Closes an opened log after checking what was opened.
void CheckOpened(std::FILE* f, const Scratch& s) {
  if (f == nullptr) return;
  struct stat st {};
  fuzz::Check(fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode), "only a regular file is opened");
  struct stat sentinel {};
  fuzz::Check(stat(s.sentinel.c_str(), &sentinel) != 0 || st.st_ino != sentinel.st_ino || st.st_dev != sentinel.st_dev,
              "the sentinel is never opened");
  std::fputs("x", f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch s = [] {
    fuzz::Init();
    fuzz::UseScratchBase("log_open");
    Scratch made;
    made.base = fuzz::ScratchFolder("log_open");
    made.outside = fuzz::ScratchFolder("log_open_outside");
    made.root = fs::path(made.base).parent_path().parent_path().string();
    made.prefix = "kestrel-fuzz-" + std::to_string(getpid());
    made.sentinel = made.outside + "sentinel.txt";
    std::ofstream(made.sentinel, std::ios::binary) << kSentinelText;
    fs::create_directory(made.outside + "dir");
    return made;
  }();
  static fuzz::Rig rig;

  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(s.base, ec)) fs::remove_all(entry.path(), ec);
  const std::map<std::string, std::string> before = Outside(s);

  const std::vector<std::string> targets = {
      s.sentinel, s.outside, s.outside + "dir", s.outside + "new.txt", s.outside + "newdir/x",
      "../" + s.prefix + "-log_open_outside", "../" + s.prefix + "-log_open_outside/sentinel.txt",
      "../" + s.prefix + "-log_open_new", "..", ".", s.base, "zoq", "loop", "/dev/null"};

  // Entries: 3 bytes each (kind and parent, name, link target) up to a 0xFF byte.
  std::vector<std::string> folders = {s.base};
  size_t at = 0;
  while (at + 3 <= size && data[at] != 0xFF) {
    const std::string& parent = folders[(data[at] >> 2) % folders.size()];
    const std::string path = parent + kNames[data[at + 1] % kNameCount];
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
      switch (data[at] & 3) {
        case 0: std::ofstream(path) << "old\n"; break;
        case 1:
          if (mkdir(path.c_str(), 0777) == 0) folders.push_back(path + "/");
          break;
        default:
          if (symlink(targets[data[at + 2] % targets.size()].c_str(), path.c_str()) != 0) {
          }
          break;
      }
    }
    at += 3;
  }
  if (at < size && data[at] == 0xFF) ++at;

  // Calls: an operation byte, a name count, then that many names.
  RunSettings settings;
  InitRunSettingsPaths(settings, s.base, "/nonexistent-windows/");
  PrintContext& ctx = *rig.ctx;
  ctx.options.baseDir = s.base;
  ctx.options.exceptionLogPath = settings.CriticalLogPath;
  const std::tm local = [] {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    return t;
  }();
  for (int calls = 0; at + 2 <= size && calls < 8; ++calls) {
    const uint8_t op = data[at];
    const size_t count = data[at + 1] % 5;
    at += 2;
    std::string path = s.base;
    for (size_t i = 0; i < count && at < size; ++i, ++at)
      path += std::string(i == 0 ? "" : "/") + kNames[data[at] % kNameCount];
    int error = 0;
    switch (op % 7) {
      case 0: CheckOpened(OpenForAppend(path, s.base, error), s); break;
      case 1: CheckOpened(CreateExclusively(path, s.base, error), s); break;
      case 2: MakeFoldersWithoutLinks(path, s.base); break;
      case 3: {
        settings.plog = 1;
        ProgramLog log(settings, Services{rig.system, rig.printers, rig.ui});
        log.CreateLogFolders();
        log.OpenProgramLogAt(local);
        log.WriteLog("line\n", kLogError);
        break;
      }
      case 4: {
        settings.plog = 0;
        ProgramLog log(settings, Services{rig.system, rig.printers, rig.ui});
        log.WriteLog("critical\n", kLogError);
        break;
      }
      case 5:
        ctx.log.logEnabled = 1;
        ctx.log.logFileName = path;
        OpenEngineLog(ctx);
        EngineLog(ctx, "job\n", kLogError);
        ctx.log.logStream.reset();
        ctx.log.logEnabled = 0;
        EngineLog(ctx, "critical\n", kLogError);
        break;
      default:
        try {
          OpenAnalysisLog(ctx);
          if (ctx.log.analysisLogStream) {
            struct stat st {};
            fuzz::Check(fstat(fileno(ctx.log.analysisLogStream.get()), &st) == 0 && S_ISREG(st.st_mode),
                        "the analysis log is a regular file");
          }
        } catch (const std::exception&) {
        }
        ctx.log.analysisLogStream.reset();
        break;
    }
  }

  fuzz::Check(Read(s.sentinel) == kSentinelText, "the sentinel keeps its bytes");
  fuzz::Check(Outside(s) == before, "nothing outside the base is created, changed or removed");
  for (const auto& entry : fs::directory_iterator(s.base, ec)) fs::remove_all(entry.path(), ec);
  return 0;
}
