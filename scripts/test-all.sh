#!/usr/bin/env bash
# Every lane: native, lint, layers and the paths comments name, sanitizers,
# Windows under wine, and a short fuzz run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/install-deps.sh"
"$here/test-native.sh"
"$here/check-layers.sh"
"$here/check-layers.sh" --self-test
"$here/check-comment-paths.sh"
"$here/lint.sh"
"$here/test-sanitize.sh"
"$here/test-windows.sh"
"$here/fuzz.sh" "${KX_FUZZ_SECONDS:-60}"
echo "test-all: every lane passed"
