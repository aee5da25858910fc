#!/usr/bin/env bash
# Builds the fuzz preset and runs its libFuzzer targets one after another, each on a working
# copy of its seed corpus (tests/fuzz/corpus/<target>, which stays as it is), at low priority
# in one process. Prints executions, executions per second and coverage per target and exits
# non-zero when any target found a crash (kept in build/fuzz/artifacts/<target>/).
#   scripts/fuzz.sh                         every target for 10 minutes
#   scripts/fuzz.sh --time 3600 fuzz_reg_import
#   scripts/fuzz.sh --runs 10000000 fuzz_rule_parser fuzz_rule_tokenizer
#   scripts/fuzz.sh --smoke 20              every target for 20 s (CI)
set -euo pipefail
cd "$(dirname "$0")/.."

limit=(-max_total_time=600)
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) limit=(-max_total_time="$2"); shift 2 ;;
    --smoke) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

scripts/packages.sh native fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/tests/fuzz
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in tests/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

results=()
failed=0
for target in "${targets[@]}"; do
  [ -x "$bin/$target" ] || { echo "fuzz.sh: no target $target" >&2; exit 2; }
  work=build/fuzz/corpus/$target artifacts=build/fuzz/artifacts/$target log=build/fuzz/logs/$target.log
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  cp -n tests/fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  echo "==== $target (${limit[*]})"
  status=0
  nice -n 10 "$bin/$target" "${limit[@]}" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    -timeout=30 -rss_limit_mb=4096 "$work" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -ao 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -ao 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  crashes=$(find "$artifacts" -type f | wc -l)
  if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failed=1
    grep -a -m5 -E 'ERROR|check failed|runtime error' "$log" || true
    echo "  see $log and $artifacts/"
  fi
  results+=("$(printf '%-24s %12s %9s %7s %7s %8s' "$target" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "$crashes")")
done

printf '\n%-24s %12s %9s %7s %7s %8s\n' target executions exec/s cov ft crashes
printf '%s\n' "${results[@]}"
exit $failed
