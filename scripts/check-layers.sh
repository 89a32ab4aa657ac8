#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a layer that is neither
# its own nor one below it: an include that points up or sideways. The
# layers, their folders and what each uses are the lines of cmake/layers.txt
# (the libraries the build makes); a file belongs to the layer with the
# longest folder that holds it, and files outside every folder (the entry
# point, src/main.cpp, which picks the backends) are not checked.
set -euo pipefail
cd "$(dirname "$0")/.."
find src \( -name '*.h' -o -name '*.cpp' \) -print | LC_ALL=C sort | xargs grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' |
  awk -v layers=cmake/layers.txt '
function layerOf(path,    name, best, bestLength) {
  best = ""
  bestLength = -1
  for (name in folder) {
    if (index(path, folder[name] "/") == 1 && length(folder[name]) > bestLength) {
      best = name
      bestLength = length(folder[name])
    }
  }
  return best
}
# Whether layer "from" may use layer "to": itself, or through what it uses.
function mayUse(from, to,    n, i, used) {
  if (from == to) return 1
  n = split(uses[from], used, " ")
  for (i = 1; i <= n; i++)
    if (mayUse(used[i], to)) return 1
  return 0
}
BEGIN {
  while ((getline line < layers) > 0) {
    if (line ~ /^[[:space:]]*(#|$)/) continue
    n = split(line, field, /[[:space:]]+/)
    folder[field[1]] = field[2]
    uses[field[1]] = ""
    for (i = 3; i <= n; i++) uses[field[1]] = uses[field[1]] " " field[i]
  }
  bad = 0
}
{
  file = $0
  sub(/:.*/, "", file)
  rest = substr($0, length(file) + 2)
  lineNumber = rest
  sub(/:.*/, "", lineNumber)
  if (!match($0, /"[^"]+"/)) next
  header = substr($0, RSTART + 1, RLENGTH - 2)
  from = layerOf(substr(file, 5))
  to = layerOf(header)
  if (from == "" || to == "" || mayUse(from, to)) next
  printf "%s:%s: includes \"%s\" (%s), which %s does not use (cmake/layers.txt)\n", file, lineNumber, header, to, from
  bad++
}
END {
  if (bad > 0) {
    printf "check-layers: %d include(s) point up or sideways\n", bad
    exit 1
  }
  print "check-layers: every include points down or within its layer"
}'
