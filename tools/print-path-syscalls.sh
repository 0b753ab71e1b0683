#!/bin/bash
# System calls per page of the text document (tools/text-document.sh) printed by printjob in a
# machine that setup-machine installs: the whole process is counted by `strace -f -c` at two
# page counts, and the difference divided by the pages between them is the cost of one page
# beyond the job's start and end. The writes of the job's bytes are shown apart.
#   tools/print-path-syscalls.sh OUT_DIR [FEW_PAGES MANY_PAGES]
# OUT_DIR is the build's out folder (build/normal/out), holding setup-machine and printjob.
set -euo pipefail
out=${1:?usage: print-path-syscalls.sh OUT_DIR [FEW_PAGES MANY_PAGES]}
few=${2:-20}
many=${3:-200}
here=$(cd "$(dirname "$0")" && pwd)
command -v strace > /dev/null || { echo "print-path-syscalls: strace is not installed (tools/dev.sh installs it)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/print-path-syscalls-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$out/setup-machine" "$work/machine" > /dev/null

# Prints "<all calls> <write calls> <failed calls>" of one job, and keeps the per-call table.
count() {
  local pages=$1
  bash "$here/text-document.sh" "$pages" > "$work/doc-$pages.txt"
  strace -f -c -o "$work/strace-$pages.txt" "$out/printjob" --machine "$work/machine" \
    --script "$work/doc-$pages.txt" -o "$work/job-$pages.pxl" > /dev/null
  awk '$NF == "total" { total = $(NF-2); failed = ($(NF-1) ~ /^[0-9]+$/) ? $(NF-1) : 0 }
       $NF == "write" || $NF == "pwrite64" || $NF == "writev" { writes += $4 }
       END { print total + 0, writes + 0, failed + 0 }' "$work/strace-$pages.txt"
}

read -r allFew writesFew failedFew < <(count "$few")
read -r allMany writesMany failedMany < <(count "$many")
span=$((many - few))
echo "pages  calls  writes  failed"
echo "$few  $allFew  $writesFew  $failedFew"
echo "$many  $allMany  $writesMany  $failedMany"
awk -v a="$allFew" -v b="$allMany" -v wa="$writesFew" -v wb="$writesMany" -v fa="$failedFew" -v fb="$failedMany" \
    -v span="$span" 'BEGIN {
  printf "per page: %.1f calls, %.1f of them writes, %.1f beyond the writes, %.1f failed\n",
         (b - a) / span, (wb - wa) / span, ((b - a) - (wb - wa)) / span, (fb - fa) / span }'
echo "calls per page by name:"
join -1 2 -2 2 <(awk 'NR > 2 && $NF != "total" && $1 !~ /^-/ { print $4, $NF }' "$work/strace-$few.txt" | sort -k2) \
                <(awk 'NR > 2 && $NF != "total" && $1 !~ /^-/ { print $4, $NF }' "$work/strace-$many.txt" | sort -k2) |
  awk -v span="$span" '{ d = ($3 - $2) / span; if (d >= 0.05) printf "  %-16s %8.2f\n", $1, d }' | sort -k2 -nr
