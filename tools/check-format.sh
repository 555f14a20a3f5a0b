#!/usr/bin/env bash
# Lists the C++ files whose layout differs from .clang-format; exit 1 if there are any.
# MC_CLANG_FORMAT names another clang-format (the committed style is tuned for version 14).
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${MC_CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format || true)}
if [ -z "$tool" ]; then
  echo "clang-format not found (package clang-format)" >&2
  exit 2
fi
differ=0
while IFS= read -r -d '' file; do
  if ! "$tool" --style=file "$file" | cmp -s - "$file"; then
    echo "$file"
    differ=$((differ + 1))
  fi
done < <(git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' \
                             'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
if [ "$differ" -gt 0 ]; then
  echo "$differ files differ from .clang-format (show one: $tool --style=file FILE | diff FILE -)" >&2
  exit 1
fi
