#!/usr/bin/env bash
# Runs nurvo under valgrind's memcheck: a full run on the example route, an interactive run fed a
# whole dialogue, and runs that end in failures. Any memory error or leak fails the script.
#   .ci/memcheck.sh [path to a nurvo built without sanitizers]    (default build/nurvo)
set -euo pipefail
cd "$(dirname "$0")/.."

nurvo="$(realpath "${1:-build/nurvo}")"
example="$(realpath examples/survey.txt)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$example" survey.txt

failures=0
# memcheck NAME EXPECTED_STATUS STDIN ARGS...  (EXPECTED_STATUS is a pattern; valgrind's own is 99)
memcheck() {
  local name="$1" expected="$2" input="$3"
  shift 3
  local status=0
  printf '%s' "$input" | valgrind --quiet --leak-check=full --show-leak-kinds=all \
    --errors-for-leak-kinds=all --error-exitcode=99 "$nurvo" "$@" > "$name.out" 2> "$name.err" ||
    status=$?
  # shellcheck disable=SC2053
  if [[ "$status" != $expected ]]; then
    echo "memcheck: $name: status $status, expected $expected" >&2
    cat "$name.out" >&2
    cat "$name.err" >&2
    failures=$((failures + 1))
  else
    echo "memcheck: $name: clean"
  fi
}

memcheck full-run 0 "" survey.txt
memcheck cut-plain-legs 0 "" --maxLegMeters 500 --yoyoMission 0 --verbose survey.txt
memcheck exports 0 "" --maxLegMeters 500 --export all survey.txt
# The dialogue: the mission menu changes the speed and accepts, yo-yo yes, the yo-yo menu accepts,
# samplers yes.
memcheck interactive-run 0 $'survey.txt\n1\n1.75\n0\ny\n0\ny\n' --interactive
memcheck interactive-no-yoyo 0 $'survey.txt\n0\nn\n35\nn\n' --interactive
# Console input that ends before the dialogue does.
memcheck interactive-input-ends 1 $'survey.txt\n' --interactive
printf '36.8 -121.8\nnot a waypoint\n' > bad.txt
memcheck bad-line 1 "" bad.txt
memcheck bad-option 1 "" --gpsHits 12x survey.txt
memcheck missing-file 1 "" --verbose
memcheck option-error 1 "" --maxLegMetres=500 survey.txt
memcheck help-alone 0 "" --help

[ "$failures" = 0 ] || exit 1
echo "memcheck: no error, no leak"
