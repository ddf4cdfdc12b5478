#!/bin/bash
# Fails when a C++ file under src/, tests/ or devtools/ differs from what the pinned
# clang-format makes of it. The files that did not follow .clang-format when this check
# came in are listed with their content hash in scripts/format_baseline.sha256: such a
# file is left as it is while its content is unchanged and checked once anyone changes
# it. With --fix, the checked files that differ are reformatted in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."

clang_format=${CLANG_FORMAT:-clang-format-14}
baseline=scripts/format_baseline.sha256
fix=0
[ "${1:-}" = "--fix" ] && fix=1

if ! command -v "$clang_format" >/dev/null 2>&1; then
  echo "check_format: $clang_format not found (scripts/setup.sh installs it)" >&2
  exit 1
fi

declare -A unchanged=()
while IFS= read -r file; do
  unchanged[$file]=1
done < <(sha256sum -c "$baseline" 2>/dev/null | sed -n 's/: OK$//p')

checked=()
while IFS= read -r -d '' file; do
  [ -z "${unchanged[$file]+set}" ] && checked+=("$file")
done < <(find src tests devtools -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

status=0
report=$("$clang_format" --dry-run --Werror "${checked[@]}" 2>&1) || status=$?
mapfile -t differ < <(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' <<<"$report" | sort -u)
if [ $status -ne 0 ] && [ ${#differ[@]} -eq 0 ]; then
  echo "$report" >&2  # clang-format itself failed
  exit 1
fi
[ ${#differ[@]} -eq 0 ] && exit 0
if [ $fix -eq 1 ]; then
  "$clang_format" -i "${differ[@]}"
  printf 'check_format: reformatted %s\n' "${differ[@]}"
  exit 0
fi
printf 'check_format: %s differs from .clang-format\n' "${differ[@]}" >&2
echo "check_format: 'make format' reformats these files" >&2
exit 1
