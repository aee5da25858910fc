#!/usr/bin/env bash
# Checks the C++ sources against the project's formatting rule (.clang-format), without
# changing them.
#   scripts/check-format.sh             every tracked C++ file
#   scripts/check-format.sh BASE        only the C++ files changed since the commit BASE
#   scripts/check-format.sh --fix [BASE]  formats those files in place instead
# Exits non-zero and names the files when any differs from the rule.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=0
if [ "${1:-}" = "--fix" ]; then
  fix=1
  shift
fi
patterns=('*.cpp' '*.h')
if [ $# -gt 0 ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=ACMR "$1" -- "${patterns[@]}")
else
  mapfile -t files < <(git ls-files -- "${patterns[@]}")
fi
[ ${#files[@]} -eq 0 ] && exit 0

if [ $fix -eq 1 ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for file in "${files[@]}"; do
  if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then
    bad+=("$file")
  fi
done
if [ ${#bad[@]} -ne 0 ]; then
  printf 'check-format: not formatted (run scripts/check-format.sh --fix):\n' >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
