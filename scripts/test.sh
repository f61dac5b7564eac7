#!/usr/bin/env bash
# Sets up, builds and runs every test through ctest in three builds, each in its own folder and
# under a virtual X server so the window tests have a display:
#   debug  build/       Debug, so framework assertions are live
#   asan   build-asan/  Debug with the address and undefined-behaviour sanitizers
#   tsan   build-tsan/  Debug with the thread sanitizer (without the whole-program tests, whose
#                       JACK client library is not built here and so hides its locking from it)
# JUCE's modules are built with the same flags in each; a warning in our own code fails the build
# (JUCE's own sources are built with their warnings silenced). Every build is run even when an earlier
# one fails; the script fails if any did, and ends with one summary line per build.
# Naming builds (e.g. `bash scripts/test.sh tsan`) runs only those.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
suppressions="$root/tests/sanitizers"

# Findings from libraries built elsewhere are suppressed in these files, each with its reason.
export ASAN_OPTIONS="detect_leaks=1:handle_abort=1:check_initialization_order=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$suppressions/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="suppressions=$suppressions/tsan.supp:print_suppressions=0:second_deadlock_stack=1"

bash "$root/scripts/setup.sh" || exit 1

configs=("$@")
[ ${#configs[@]} -gt 0 ] || configs=(debug asan tsan)

summary=()
failed=0

# run_config NAME FOLDER SANITIZERS CTEST-COMMAND...
run_config() {
    local name="$1" dir="$root/$2" sanitize="$3" log result
    shift 3
    log="$(mktemp)"
    echo "=== $name: building in $dir"
    if ! cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DKEYSTEAD_BUILD_BENCHMARKS=OFF \
            -DKEYSTEAD_SANITIZE="$sanitize" -DKEYSTEAD_WERROR=ON \
        || ! cmake --build "$dir" -j "$jobs"; then
        summary+=("$name: build failed")
        failed=1
        return
    fi
    echo "=== $name: testing"
    (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" "$@" --output-on-failure -j "$jobs") \
        2>&1 | tee "$log"
    if [ "${PIPESTATUS[0]}" -ne 0 ]; then
        failed=1
    fi
    result="$(grep -E 'tests passed|No tests were found' "$log" | tail -n 1)"
    summary+=("$name: ${result:-ctest did not finish}")
    rm -f "$log"
}

# The thread sanitizer needs the address-space layout it was built for; with many random bits
# of mmap placement (newer kernels) it stops with "unexpected memory mapping". Running without
# address randomisation avoids that; where the system refuses that (some containers), run as is.
tsan_wrapper=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    tsan_wrapper=(setarch "$(uname -m)" -R)
fi

for config in "${configs[@]}"; do
    case "$config" in
        debug) run_config debug build "" ctest ;;
        asan)  run_config asan build-asan "address,undefined" ctest ;;
        tsan)  run_config "tsan (no whole-program tests)" build-tsan "thread" "${tsan_wrapper[@]}" ctest -E '^program\.' ;;
        *) echo "unknown build '$config' (debug, asan or tsan)" >&2; exit 2 ;;
    esac
done

echo
echo "=== Summary"
printf '%s\n' "${summary[@]}"
exit "$failed"
