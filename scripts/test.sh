#!/usr/bin/env bash
# The test command (as root on a fresh Debian bookworm machine): installs the packages, builds
# every target (native and both Windows DLLs), runs every test (unit, plug-in, hosts, the DLLs
# under wine 64-bit and 32-bit), then builds and runs the native tests once more with
# AddressSanitizer and UndefinedBehaviorSanitizer, and the plug-in tests with ThreadSanitizer.
# Exits non-zero on any failure.
# PELLORY_JOBS sets the parallel build jobs (default 2). PELLORY_NO_32BIT=1 runs the path of
# machines that cannot execute 32-bit programs (32-bit DLL built and checked, its run tests skipped).
# Every skipped test is named, with its reason, at the end.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
jobs=${PELLORY_JOBS:-2}
start=$(date +%s)
say() { echo "== test: $* ($(( $(date +%s) - start )) s)"; }

say "installing packages"
bash scripts/setup.sh

say "building"
bash scripts/build.sh

logs=build/test-logs
mkdir -p "$logs"
rm -f "$logs"/*.log
# Runs ctest, keeping its output for the closing summary of skipped tests.
run_ctest() {
  local name=$1
  shift
  local rc=0
  ctest "$@" 2>&1 | tee "$logs/$name.log" || rc=$?
  # ctest prints the reason a test skipped only to its own log; keep those lines too.
  local dir=$2
  [ -f "$dir/Testing/Temporary/LastTest.log" ] && cp "$dir/Testing/Temporary/LastTest.log" "$logs/$name.last.log"
  return $rc
}

say "running the tests"
run_ctest tests --test-dir build/linux --output-on-failure --timeout 900

say "building with sanitizers"
# -O1 with line tables: reports name file and line, and the build stays quick.
cmake -S . -B build/linux-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" "-DCMAKE_C_FLAGS_DEBUG=-O1 -g1" -DPELLORY_SANITIZE=ON \
  -DPELLORY_WIN64_DIR= -DPELLORY_WIN32_DIR= >/dev/null
cmake --build build/linux-sanitize -j "$jobs"

say "running the tests with sanitizers"
# Any report is fatal (-fno-sanitize-recover); leaks count as failures too. Tests that load the
# plug-in into a program built without sanitizers (a packaged host) carry the label no-sanitizer.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest sanitize --test-dir build/linux-sanitize --output-on-failure --timeout 1800 -LE no-sanitizer

say "building the plug-in and its host tests with ThreadSanitizer"
# Hosts call process, automation and the dispatcher from different threads; the plug-in tests
# include one that does exactly that, and any race report fails the run.
cmake -S . -B build/linux-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_C_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_MODULE_LINKER_FLAGS=-fsanitize=thread \
  -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread -DPELLORY_WIN64_DIR= -DPELLORY_WIN32_DIR= >/dev/null
cmake --build build/linux-tsan -j "$jobs" --target pellory plugin_tests editor_tests

say "running the plug-in tests with ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1 build/linux-tsan/tests/plugin_tests --gtest_brief=1
# The editor: host automation on one thread while the interface thread draws and clicks.
TSAN_OPTIONS=halt_on_error=1 build/linux-tsan/tests/editor_tests --gtest_brief=1

# Skipped tests, each with the reason it printed (a "SKIP:" line, or GoogleTest's skip message).
skipped=$(grep -h '(Skipped)' "$logs"/tests.log "$logs"/sanitize.log 2>/dev/null | sed 's/^.*- \([^ ]*\) (Skipped).*/\1/' | sort -u || true)
if [ -n "$skipped" ]; then
  echo "== test: skipped tests:"
  for t in $skipped; do
    why=$(awk -v t="$t" '$0 ~ "Testing: "t"$" {f=1} f && /SKIP/ {print; exit}' "$logs"/*.last.log 2>/dev/null || true)
    echo "   $t: ${why:-skipped}"
  done
fi
say "all tests passed"
