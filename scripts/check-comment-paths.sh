#!/usr/bin/env bash
# Finds comments in the C++ sources that name a file which does not exist:
# a path with a folder (runtime/process/settings.h, cdx/tree_walk.h) must
# resolve from the repository, from src/, tools/ or tests/, or from the
# commenting file's own folder or one above it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
stale=0
while IFS=: read -r file line path; do
  dir=$(dirname "$file")
  found=0
  for base in . src tools tests; do [ -e "$base/$path" ] && found=1; done
  while [ "$found" = 0 ] && [ "$dir" != . ]; do
    [ -e "$dir/$path" ] && found=1
    dir=$(dirname "$dir")
  done
  if [ "$found" = 0 ]; then
    echo "comment paths: $file:$line names $path, which does not exist"
    stale=$((stale + 1))
  fi
done < <(git ls-files src tools tests bench | grep -E '\.(cpp|h)$' | xargs grep -nE '//' |
  perl -ne 'if (/^([^:]+):(\d+):.*?\/\/(.*)$/) { my ($f, $l, $c) = ($1, $2, $3);
    print "$f:$l:$1\n" while $c =~ m{(?<![\w./-])((?:[\w.-]+/)+[\w.-]+\.(?:h|cpp|md|sh|py|cmake))}g }')
if [ "$stale" -ne 0 ]; then
  echo "comment paths: $stale stale"
  exit 1
fi
echo "comment paths: every path a comment names exists"
