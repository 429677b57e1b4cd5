# Counts results across test runners for the closing "N passed, N failed".
KL_PASSED=0
KL_FAILED=0
KL_FAILURES=()
KL_NOT_RUN=()

kl_ctest() {
  local name=$1 log="$KL_ROOT/build/$1.ctest.log"
  echo "== native tests: build/$name"
  (cd "$KL_ROOT/build/$name" && ctest --output-on-failure -j2) 2>&1 | tee "$log" || true
  local line
  line=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -1 || true)
  if [ -z "$line" ]; then
    KL_FAILED=$((KL_FAILED + 1)); KL_FAILURES+=("ctest in build/$name did not run")
    return
  fi
  local failed total skipped
  failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  # ctest counts a skipped test as passed; here it counts as failed.
  skipped=$(grep -cE '^ *[0-9]+ - .*\(Skipped\)' "$log" || true)
  KL_PASSED=$((KL_PASSED + total - failed - skipped))
  KL_FAILED=$((KL_FAILED + failed + skipped))
  [ "$failed" -eq 0 ] || KL_FAILURES+=("$failed native test(s) in build/$name")
  [ "$skipped" -eq 0 ] || KL_FAILURES+=("$skipped native test(s) skipped in build/$name")
}

# kl_gtest_log LABEL LOG: adds the counts of a GoogleTest program's output.
# A skipped test counts as failed: nothing a skip hides has been checked.
kl_gtest_log() {
  local label=$1 log=$2 passed failed skipped
  passed=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -1)
  failed=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -1)
  skipped=$(sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -1)
  if [ -z "$passed" ] && [ -z "$failed" ]; then
    KL_FAILED=$((KL_FAILED + 1)); KL_FAILURES+=("$label did not report"); return
  fi
  KL_PASSED=$((KL_PASSED + ${passed:-0}))
  KL_FAILED=$((KL_FAILED + ${failed:-0} + ${skipped:-0}))
  [ "${failed:-0}" -eq 0 ] || KL_FAILURES+=("$failed test(s) in $label")
  [ "${skipped:-0}" -eq 0 ] || KL_FAILURES+=("$skipped test(s) skipped in $label")
}

# kl_counts_line LABEL LOG: adds the "N passed, N failed" line a script printed.
kl_counts_line() {
  local label=$1 line passed failed
  line=$(grep -E "^[0-9]+ passed, [0-9]+ failed" "$2" | tail -1 || true)
  if [ -z "$line" ]; then
    KL_FAILED=$((KL_FAILED + 1)); KL_FAILURES+=("$label did not report"); return
  fi
  passed=${line%% passed*}
  failed=$(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")
  KL_PASSED=$((KL_PASSED + passed))
  KL_FAILED=$((KL_FAILED + failed))
  [ "$failed" -eq 0 ] || KL_FAILURES+=("$failed check(s) in $label")
}

# kl_check DESCRIPTION COMMAND...: one check that passes when COMMAND succeeds.
kl_check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
    KL_PASSED=$((KL_PASSED + 1))
  else
    echo "FAILED: $what"
    KL_FAILED=$((KL_FAILED + 1)); KL_FAILURES+=("$what")
  fi
}

# kl_not_run WHAT WHY: a part this machine cannot run, named in the summary; it counts
# neither as passed nor as failed.
kl_not_run() {
  echo "NOT RUN: $1: $2"
  KL_NOT_RUN+=("$1: $2")
}

kl_tally_summary() {
  echo ""
  local f
  for f in "${KL_NOT_RUN[@]}"; do echo "not run on this machine: $f"; done
  for f in "${KL_FAILURES[@]}"; do echo "failed: $f"; done
  echo "$KL_PASSED passed, $KL_FAILED failed"
  [ "$KL_FAILED" -eq 0 ]
}
