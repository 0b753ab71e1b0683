#!/usr/bin/env bash
# One entry point for people and CI:
#   tools/dev.sh main   install what is missing, build, print the sample document
#   tools/dev.sh test   install what is missing, build, run every test
#   tools/dev.sh fuzz   build the libFuzzer targets with clang and run each briefly
#                       (VELMOR_FUZZ_SECONDS=N: each for N seconds instead)
#   tools/dev.sh stress build as test does and run the cross-process and threaded tests over
#                       and over in parallel beside a CPU load (VELMOR_STRESS_ROUNDS, VELMOR_STRESS_JOBS,
#                       VELMOR_STRESS_LOAD busy loops, by default one per processor)
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

# The tests that wait for another process or thread: programs started and driven, pipes,
# messages between threads, dialogs of another process, the spooler's events.
stress_tests='^(PeerDesktop|Interpreter|Messages|Pipes|DialogTest|FileProcesses|FileLocks|FileSharing|LastError|Process|Sync|Threads|DesktopCapture|DesktopProgram|DesktopTool|DocumentEvents|PipeCloseTest|SpoolerDeliveredEvents|StatusMonitorAnnouncement)[.]'

# A CPU load of the script's own beside the tests: one busy loop per processor.
start_load() {
  load_pids=()
  for _ in $(seq "${VELMOR_STRESS_LOAD:-$jobs}"); do
    ( while :; do :; done ) &
    load_pids+=($!)
  done
}
stop_load() {
  for pid in "${load_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait "${load_pids[@]}" 2>/dev/null || true
}

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
    cmake --build "$dir" -j "$jobs" --target fuzzers
    runs=${VELMOR_FUZZ_RUNS:-20000}
    seconds=${VELMOR_FUZZ_SECONDS:-}
    shopt -s nullglob
    count=0
    failed=0
    for f in "$dir"/fuzz/fuzz_*; do
      name=$(basename "$f")
      corpus="$top/tests/fuzz/corpus/$name"
      work=$(mktemp -d)
      artifacts="$top/$dir/artifacts/$name/"
      mkdir -p "$artifacts"
      [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
      if [ -n "$seconds" ]; then
        echo "== $name ($seconds s)"
        limit=(-max_total_time="$seconds")
      else
        echo "== $name ($runs runs)"
        # CI runs are short: a slow target stops at two minutes whatever its count.
        limit=(-runs="$runs" -seed=1 -max_total_time=120)
      fi
      # A finding stops the run and leaves its input under build/fuzz/artifacts/TARGET/.
      if ! "$f" "${limit[@]}" -max_len=65536 -timeout=25 -print_final_stats=1 -artifact_prefix="$artifacts" \
          "$work" > "$work.log" 2>&1; then
        failed=$((failed + 1))
        grep -E "ERROR|SUMMARY|Test unit written" "$work.log" | head -n 5
      fi
      grep -E "^stat::number_of_executed_units|^Done [0-9]+ runs" "$work.log" | tail -n 1
      rm -rf "$work" "$work.log"
      count=$((count + 1))
    done
    echo "fuzz: $count targets ran, $failed found something"
    [ "$failed" -eq 0 ]
    ;;
  stress)
    install_missing
    build
    export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
    rounds=${VELMOR_STRESS_ROUNDS:-10}
    parallel=${VELMOR_STRESS_JOBS:-$((2 * jobs))}
    report="build/$kind/stress"
    rm -rf "$report"
    mkdir -p "$report"
    trap stop_load EXIT
    start_load
    failures=0
    for round in $(seq "$rounds"); do
      # Each round runs the whole set at twice the processor count; a failure keeps its output.
      if ! ctest --test-dir "build/$kind" -R "$stress_tests" -j "$parallel" --timeout 300 \
          --output-on-failure > "$report/round-$round.log" 2>&1; then
        failures=$((failures + 1))
        echo "== round $round: failures, with their output"
        grep -v -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+:" "$report/round-$round.log" || true
      else
        echo "== round $round: $(grep -E 'tests passed' "$report/round-$round.log")"
      fi
    done
    stop_load
    trap - EXIT
    if [ "$failures" -gt 0 ]; then
      echo "stress: $failures of $rounds rounds failed; their logs are in $report/"
      exit 1
    fi
    echo "stress: $rounds rounds clean"
    ;;
  *)
    sed -n '2,7p' "$0"
    exit 2
    ;;
esac
