#include "util/windows_command_line.h"

#include <filesystem>
#include <system_error>

#include "platform/native_path.h"

namespace kestrel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLineArgs(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = line.size();
  while (true) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::string word;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(line[i]))) {
      if (line[i] == '\\') {
        size_t slashes = 0;
        while (i < n && line[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && line[i] == '"') {
          word.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            word.push_back('"');
            ++i;
          }
          // An even run leaves the quote to the code below.
        } else {
          word.append(slashes, '\\');
        }
        continue;
      }
      if (line[i] == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          word.push_back('"');
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      word.push_back(line[i++]);
    }
    args.push_back(std::move(word));
  }
  return args;
}

CommandLineParts SplitCommandLine(std::string_view line, const std::function<bool(const std::string&)>& isFile) {
  CommandLineParts parts;
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  size_t rest = line.size();
  if (i < line.size() && line[i] == '"') {
    const size_t close = line.find('"', i + 1);
    parts.program = std::string(line.substr(i + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                   : close - i - 1));
    rest = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    size_t end = i;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    // The first word alone, unless a longer run of words names a file and
    // the first word does not.
    parts.program = std::string(line.substr(i, end - i));
    rest = end;
    size_t candidate = end;
    while (!isFile(parts.program) && candidate < line.size()) {
      size_t next = candidate;
      while (next < line.size() && IsBlank(line[next])) ++next;
      while (next < line.size() && !IsBlank(line[next])) ++next;
      const std::string longer(line.substr(i, next - i));
      if (next > candidate && isFile(longer)) {
        parts.program = longer;
        rest = next;
        break;
      }
      if (next == candidate) break;
      candidate = next;
    }
  }
  parts.args = SplitCommandLineArgs(line.substr(rest));
  return parts;
}

ProcessResult RunCommandLine(System& system, std::string_view line) {
  CommandLineParts parts = SplitCommandLine(line, [](const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(FsPath(path), ec);
  });
  if (parts.program.empty()) return {};
  return system.RunAndWait(parts.program, parts.args, {});
}

}  // namespace kestrel
