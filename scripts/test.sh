#!/usr/bin/env bash
# Runs the tests of every package (underlay and product) and prints one closing line,
# "N passed, N failed", exiting non-zero when anything failed.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$KESTROVA_ROOT"

failed_runs=0
run_tests() {  # build base, install base, base path
  colcon test --base-paths "$3" --build-base "$1" --install-base "$2" \
    --event-handlers console_cohesion+ status- summary+ \
    --return-code-on-test-failure --ctest-args --output-on-failure || failed_runs=$((failed_runs + 1))
}

if ! using_real_ros; then
  source_setup "$UNDERLAY_INSTALL/setup.bash"
  run_tests "$UNDERLAY_BUILD" "$UNDERLAY_INSTALL" underlay/src
fi
source_workspace
run_tests "$OVERLAY_BUILD" "$OVERLAY_INSTALL" .

# colcon test-result counts test cases over the JUnit files of both workspaces.
passed=0
failed=0
for base in "$UNDERLAY_BUILD" "$OVERLAY_BUILD"; do
  [ -d "$base" ] || continue
  summary=$(colcon test-result --test-result-base "$base" --all 2>/dev/null | tail -n 1)
  echo "$summary"
  # "Summary: 12 tests, 0 errors, 1 failure, 0 skipped"
  tests=$(sed -n 's/^Summary: \([0-9]*\) tests.*/\1/p' <<<"$summary")
  errors=$(sed -n 's/.* \([0-9]*\) errors\{0,1\},.*/\1/p' <<<"$summary")
  failures=$(sed -n 's/.* \([0-9]*\) failures\{0,1\},.*/\1/p' <<<"$summary")
  skipped=$(sed -n 's/.* \([0-9]*\) skipped.*/\1/p' <<<"$summary")
  tests=${tests:-0}; errors=${errors:-0}; failures=${failures:-0}; skipped=${skipped:-0}
  failed=$((failed + errors + failures))
  passed=$((passed + tests - errors - failures - skipped))
done
if [ "$failed_runs" -gt 0 ] && [ "$failed" -eq 0 ]; then
  # A test program that crashed or never wrote its result file still fails the run.
  failed=$failed_runs
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
