// Folder clean-up decisions on an in-memory file tree: nothing is deleted
// on disk. The input builds files, folders and links (to product folders,
// to the root, outside the base, relative and absolute) under a fixed
// tree, then names the clean-up folder in any spelling with a mode, an age
// and patterns. The tree's deletions may follow links on the way to a path
// (a careless backend), so only the clean-up's own choices keep:
//  - the base folder, zoq with its settings file, vpdf and the Windows
//    folder are never deleted;
//  - nothing outside the folder's real path is deleted, and modes 3-8 keep
//    the folder itself;
//  - a folder that is or holds a product folder loses nothing;
//  - modes 0, 1 and the trace-only modes delete nothing;
//  - nothing more than kMaxDepth + 1 folders below the folder is deleted
//    (a node can be a chain of up to 130 nested folders, so a tree deeper
//    than the walk's limit takes a few bytes).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/cleanup.h"
#include "fuzz_support.h"
#include "util/paths.h"

using namespace kestrel;

namespace {

constexpr int64_t kNow = 1700000000;

struct Node {
  System::EntryKind kind = System::EntryKind::kFile;
  std::string target;  // of a link
  int64_t modified = 0;
};

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    parts.push_back(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

std::string Parent(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  return (folder == "/" ? "" : folder) + "/" + name;
}

// A file tree in memory, keyed by real paths ("/" is the root folder).
class TreeSystem final : public System {
 public:
  std::map<std::string, Node> nodes;

  bool Has(const std::string& path) const { return path == "/" || nodes.count(path) != 0; }

  // The real path, links followed up to 40 times; the last name's link
  // only when followLast. Empty when a name on the way is missing.
  std::string Resolve(const std::string& path, bool followLast, int depth = 0) const {
    if (path.empty() || path[0] != '/' || depth > 40) return {};
    const std::vector<std::string> parts = Split(path);
    std::string at = "/";
    for (size_t i = 0; i < parts.size(); ++i) {
      const std::string& name = parts[i];
      if (name.empty() || name == ".") continue;
      if (name == "..") {
        at = Parent(at);
        continue;
      }
      bool last = true;
      for (size_t j = i + 1; j < parts.size(); ++j)
        if (!parts[j].empty() && parts[j] != ".") last = false;
      const std::string next = Join(at, name);
      auto it = nodes.find(next);
      if (it == nodes.end()) return {};
      if (it->second.kind == EntryKind::kLink && (!last || followLast)) {
        const std::string& target = it->second.target;
        at = Resolve(target[0] == '/' ? target : Join(at, target), true, depth + 1);
        if (at.empty()) return {};
        if (!last && nodes.count(at) != 0 && nodes.at(at).kind != EntryKind::kFolder) return {};
        continue;
      }
      if (!last && it->second.kind != EntryKind::kFolder) return {};
      at = next;
    }
    return at;
  }

  std::vector<std::string> Below(const std::string& folder) const {
    std::vector<std::string> out;
    const std::string prefix = folder == "/" ? "/" : folder + "/";
    for (auto it = nodes.lower_bound(prefix); it != nodes.end() && it->first.compare(0, prefix.size(), prefix) == 0;
         ++it)
      out.push_back(it->first);
    return out;
  }

  std::string RealPath(const std::string& path) override { return Resolve(path, true); }

  std::vector<FolderEntry> ListFolder(const std::string& folder) override {
    std::vector<FolderEntry> entries;
    const std::string real = Resolve(folder, true);
    if (real.empty() || (real != "/" && nodes.at(real).kind != EntryKind::kFolder)) return entries;
    const std::string prefix = real == "/" ? "/" : real + "/";
    for (auto it = nodes.lower_bound(prefix); it != nodes.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
      const std::string& path = it->first;
      const Node& node = it->second;
      if (path.find('/', prefix.size()) != std::string::npos) {
        // Below a child: skip that child's whole subtree ('0' follows '/').
        it = nodes.lower_bound(path.substr(0, path.find('/', prefix.size())) + "0");
        continue;
      }
      ++it;
      FolderEntry e;
      e.name = path.substr(path.rfind('/') + 1);
      e.kind = node.kind;
      e.timesKnown = true;
      e.times = {node.modified, node.modified, node.modified};
      entries.push_back(std::move(e));
    }
    return entries;
  }

  int ShellDelete(const std::string& path) override {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) return 22;
    const std::string name = trimmed.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return 22;
    const std::string parent = Resolve(slash == 0 ? "/" : trimmed.substr(0, slash), true);
    if (parent.empty()) return 2;
    const std::string target = Join(parent, name);
    if (!Has(target) || target == "/") return 2;
    if (nodes.at(target).kind == EntryKind::kFolder)
      for (const std::string& inside : Below(target)) nodes.erase(inside);
    nodes.erase(target);
    return 0;
  }

  bool GetFileTimes(const std::string& path, FileTimes& times) override {
    const std::string real = Resolve(path, true);
    if (real.empty() || real == "/") return false;
    const int64_t m = nodes.at(real).modified;
    times = {m, m, m};
    return true;
  }

  std::string BaseDir() override { return "/b/"; }
  std::string WindowsDir() override { return "/w/"; }
  DriveKind DriveKindOf(const std::string&) override { return DriveKind::kFixed; }
  bool ComputerName(std::string& name, int& error) override {
    name = "fuzz";
    error = 0;
    return true;
  }
  int LastError() override { return 0; }
  std::string ErrorText(int) override { return {}; }
  ProcessResult RunAndWait(const std::string&, const std::vector<std::string>&, const std::string&) override {
    return {};
  }
  int ShellOpen(const std::string&) override { return 2; }
  bool NotifyWindow(uint64_t, uint32_t, uint64_t, int64_t, std::string& error) override {
    error = "no window";
    return false;
  }
  uint64_t NowMilliseconds() override { return 0; }
};

const char* const kNames[] = {"a", "b.pdat", "zoq", "bunsho", "vpdf", "x", "c.txt", "link", "w", "b"};
const char* const kTargets[] = {"/b",  "/b/zoq", "..",        "../..",         "/",     "/w",    "/o",
                                ".",   "a",      "/b/vpdf/..", "../zoq",       "x/../..", "/b/zoq/bunsho",
                                "/b/", "link",   "/b/jobs",   "../../b/zoq/.", "/o/keep.txt"};
const char* const kPatterns[] = {"*.*", "*", "a*", "*.pdat", "", "\"*.pdat\",\"*.txt\"", "?", "*.", "zoq,b*"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  static const std::string critical = fuzz::ScratchFolder("cleanup") + "CriticalPLOG.txt";
  if (size < 3) return 0;

  TreeSystem tree;
  std::vector<std::string> folders;  // in the order made
  auto add = [&](const std::string& path, System::EntryKind kind, int64_t age, const std::string& target = {}) {
    tree.nodes[path] = Node{kind, target, kNow - age};
    if (kind == System::EntryKind::kFolder) folders.push_back(path);
  };
  using Kind = System::EntryKind;
  for (const char* folder : {"/b", "/b/zoq", "/b/zoq/bunsho", "/b/vpdf", "/b/jobs", "/w", "/o"})
    add(folder, Kind::kFolder, 5000);
  for (const char* file : {"/b/zoq/kestrel.inf", "/b/zoq/bunsho/old.pdat", "/b/vpdf/a.pdf", "/b/jobs/1.pdat",
                           "/o/keep.txt", "/w/win.ini"})
    add(file, Kind::kFile, 5000);

  const int32_t mode = int32_t(data[0] % 14) - 2;
  const int64_t age = int64_t(data[1] % 4) * 600;
  const std::string patterns = kPatterns[data[2] % (sizeof kPatterns / sizeof *kPatterns)];
  size_t at = 3;
  // Nodes: 3 bytes each (kind and parent, name, link target, age or chain
  // length) up to a 0xFF byte.
  while (at + 3 <= size && data[at] != 0xFF && tree.nodes.size() < 1000) {
    const std::string parent = folders[(data[at] >> 2) % folders.size()];
    const std::string path = Join(parent, kNames[data[at + 1] % (sizeof kNames / sizeof *kNames)]);
    if (!tree.Has(path)) {
      switch (data[at] & 3) {
        case 0: add(path, Kind::kFile, int64_t(data[at + 2]) * 10); break;
        case 1: add(path, Kind::kFolder, int64_t(data[at + 2]) * 10); break;
        case 2: add(path, Kind::kLink, 0, kTargets[data[at + 2] % (sizeof kTargets / sizeof *kTargets)]); break;
        default: {
          // A chain of folders "d" with an old file at its end.
          std::string chain = path;
          add(chain, Kind::kFolder, 5000);
          for (int depth = data[at + 2] % 130; depth > 0; --depth) add(chain = Join(chain, "d"), Kind::kFolder, 5000);
          add(Join(chain, "f"), Kind::kFile, 5000);
          break;
        }
      }
    }
    at += 3;
  }
  if (at < size && data[at] == 0xFF) ++at;
  const std::string folder(reinterpret_cast<const char*>(data + at), std::min<size_t>(size - at, 256));

  RunSettings settings;
  InitRunSettingsPaths(settings, tree.BaseDir(), tree.WindowsDir());
  settings.CriticalLogPath = critical;
  settings.plog = data[1] >> 7;
  fuzz::QuietUi ui;
  MemoryPrintSystem printers{std::vector<MemoryDevice>{}};
  ProgramLog log(settings, Services{tree, printers, ui});

  const std::map<std::string, Node> before = tree.nodes;
  const std::string real = tree.RealPath(ResolvePath(settings.BaseDir, folder));
  PrintDataCleanup cleanup(settings, log, tree);
  cleanup.clock = [] { return kNow; };
  cleanup.CleanupPrintFolder(folder, age, mode, patterns);
  unlink(critical.c_str());

  for (const char* kept : {"/b", "/b/zoq", "/b/zoq/kestrel.inf", "/b/vpdf", "/w"})
    fuzz::Check(tree.Has(kept), "a product folder and the settings file are never deleted");
  std::vector<std::string> deleted;
  for (const auto& [path, node] : before)
    if (!tree.Has(path)) deleted.push_back(path);
  if (deleted.empty()) return 0;
  fuzz::Check(mode >= 2 && mode <= 9, "only modes 2 to 9 delete");
  fuzz::Check(!real.empty(), "a folder that does not exist loses nothing");
  // The product folders are /b, /b/zoq, /b/vpdf and /w: these and the
  // folders holding them.
  const std::set<std::string> holding = {"/", "/b", "/b/zoq", "/b/vpdf", "/w"};
  const bool holdsProduct = holding.count(real) != 0;
  fuzz::Check(!holdsProduct, "a product folder or one holding it loses nothing");
  for (const std::string& path : deleted) {
    const bool inside = path.rfind(real + "/", 0) == 0;
    const bool itself = path == real && (mode == 2 || mode == 9);
    fuzz::Check(inside || itself, "nothing outside the folder's real path is deleted");
    if (inside) {
      const auto below = std::count(path.begin() + std::ptrdiff_t(real.size()), path.end(), '/');
      fuzz::Check(below <= PrintDataCleanup::kMaxDepth + 1, "nothing deeper than the walk's limit is deleted");
    }
  }
  return 0;
}
