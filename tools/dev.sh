#!/usr/bin/env bash
# One entry point for people and CI:
#   tools/dev.sh main   install what is missing, build, print the sample document
#   tools/dev.sh test   install what is missing, build, run every test
#   tools/dev.sh fuzz   build the libFuzzer targets with clang and run each briefly
# VELMOR_BUILD=asan selects the AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

packages=(cmake g++ make clang libclang-rt-14-dev python3 libgtest-dev libgmock-dev libbenchmark-dev
          libfreetype-dev fonts-dejavu-core fonts-dejavu-extra fonts-liberation2 fonts-urw-base35
          python3-fonttools binutils-mingw-w64-x86-64 libpng-dev python3-pil strace)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

jobs=$(nproc)
kind=${VELMOR_BUILD:-normal}

build() {
  local dir="build/$kind" flags=()
  case "$kind" in
    normal) ;;
    asan) flags+=(-DVELMOR_SANITIZE=ON -DVELMOR_BENCH=OFF) ;;
    *) echo "unknown VELMOR_BUILD '$kind'" >&2; exit 2 ;;
  esac
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" > /dev/null
  cmake --build "$dir" -j "$jobs"
}

case "${1:-}" in
  main)
    install_missing
    build
    if [ -x "build/$kind/out/printjob" ]; then
      "build/$kind/out/printjob" -o "$top/sample.pxl"
    else
      "build/$kind/out/platform-demo"
    fi
    ;;
  test)
    install_missing
    build
    export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
    ctest --test-dir "build/$kind" --output-on-failure -j "$jobs" --timeout 300
    ;;
  fuzz)
    install_missing
    dir=build/fuzz
    CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_FUZZ=ON -DVELMOR_BENCH=OFF > /dev/null
    cmake --build "$dir" -j "$jobs"
    runs=${VELMOR_FUZZ_RUNS:-20000}
    shopt -s nullglob
    count=0
    for f in "$dir"/fuzz/fuzz_*; do
      name=$(basename "$f")
      corpus="$top/tests/fuzz/corpus/$name"
      work=$(mktemp -d)
      [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
      echo "== $name ($runs runs)"
      "$f" -runs="$runs" -seed=1 -max_len=65536 "$work" 2>&1 | tail -n 3
      rm -rf "$work"
      count=$((count + 1))
    done
    echo "fuzz: $count targets ran"
    ;;
  *)
    sed -n '2,7p' "$0"
    exit 2
    ;;
esac
