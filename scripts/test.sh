#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test three ways: a normal build with warnings
# as errors, AddressSanitizer with UndefinedBehaviorSanitizer, and ThreadSanitizer; then builds the
# protocol library with the Windows cross compiler and runs the reply decoder's fuzz target for a
# bounded time.
#   scripts/test.sh            all of it
#   scripts/test.sh normal     one way only (normal, asan, tsan, cross or fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test

jobs=$(nproc)
ways=("$@")
[ ${#ways[@]} -gt 0 ] || ways=(normal asan tsan cross fuzz)
fuzz_seconds=${NODEWICK_FUZZ_SECONDS:-60}
failed=()

build_and_test() {
  local name=$1; shift
  local dir=build-$name
  echo "=== $name: configure and build"
  cmake -S . -B "$dir" -G Ninja -DNODEWICK_WERROR=ON -DNODEWICK_BUILD_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== $name: tests"
  if ! (cd "$dir" && NODEWICK_LAB_REQUIRED=${NODEWICK_LAB_REQUIRED:-${CI:+1}} ctest --output-on-failure -j "$jobs" --timeout 900); then
    failed+=("$name")
  fi
}

for way in "${ways[@]}"; do
  case "$way" in
    normal)
      build_and_test normal -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNODEWICK_BUILD_BENCH=ON ;;
    asan)
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp \
        build_and_test asan -DCMAKE_BUILD_TYPE=Debug "-DNODEWICK_SANITIZE=address;undefined" -DNODEWICK_BUILD_BENCH=OFF ;;
    tsan)
      TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$PWD/tests/sanitizers/tsan.supp" \
        build_and_test tsan -DCMAKE_BUILD_TYPE=Debug -DNODEWICK_SANITIZE=thread -DNODEWICK_BUILD_BENCH=OFF ;;
    cross)
      # The pure protocol library carries over to Windows unchanged: it builds with mingw-w64.
      echo "=== cross: the protocol library with mingw-w64"
      cmake -S . -B build-mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DNODEWICK_PROTOCOL_ONLY=ON -DNODEWICK_WERROR=ON >/dev/null
      if cmake --build build-mingw -j "$jobs"; then
        echo "cross: 1 passed, 0 failed"
      else
        failed+=(cross)
      fi ;;
    fuzz)
      echo "=== fuzz: the reply decoder for ${fuzz_seconds} s"
      CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DNODEWICK_BUILD_FUZZ=ON -DNODEWICK_PROTOCOL_ONLY=ON >/dev/null
      cmake --build build-fuzz --target fuzz_nbstat -j "$jobs"
      work=$(mktemp -d)
      cp fuzz/corpus/nbstat/* "$work"/
      if ./build-fuzz/fuzz/fuzz_nbstat -max_total_time="$fuzz_seconds" -max_len=600 -print_final_stats=1 \
          "$work" fuzz/corpus/nbstat >/dev/null 2>"$work.log"; then
        tail -n 12 "$work.log"
        echo "fuzz: 1 passed, 0 failed"
      else
        tail -n 60 "$work.log"
        failed+=(fuzz)
      fi
      rm -rf "$work" "$work.log" ;;
    *)
      echo "unknown way: $way (normal, asan, tsan, cross, fuzz)" >&2; exit 2 ;;
  esac
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test runs passed: ${ways[*]}"
