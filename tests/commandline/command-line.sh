#!/usr/bin/env bash
# shellcheck disable=SC2015  # "check && check || fail" fails when any check does
# The tool's command line on a machine without a display: --version and --help answer on
# the terminal, a plain start says in one line why no window opens, and arguments the tool
# does not know end it with a reason.
# Usage: command-line.sh DBTOOL VERSION
set -euo pipefail
dbtool=$1
version=$2
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "stdout:" >&2
    cat "$out" >&2
    echo "stderr:" >&2
    cat "$err" >&2
    exit 1
}

# Runs dbtool with no display at all and records its exit status in $status.
run() {
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$dbtool" "$@" >"$out" 2>"$err" ||
        status=$?
}

run --version
[ $status -eq 0 ] && [ "$(cat "$out")" = "dbtool $version" ] && [ ! -s "$err" ] ||
    fail "--version"
run -v
[ $status -eq 0 ] && [ "$(cat "$out")" = "dbtool $version" ] || fail "-v"

run --help
[ $status -eq 0 ] && grep -q -- '--version' "$out" && grep -q -- '--help' "$out" &&
    grep -q 'SQL Server' "$out" || fail "--help"

run
[ $status -ne 0 ] && [ ! -s "$out" ] && [ "$(wc -l <"$err")" -eq 1 ] &&
    grep -q 'DISPLAY' "$err" || fail "a start without a display"

run --no-such-option
[ $status -eq 2 ] && [ "$(wc -l <"$err")" -eq 1 ] && grep -q -- 'no-such-option' "$err" ||
    fail "an unknown option"
run extra
[ $status -eq 2 ] && grep -q 'extra' "$err" || fail "an argument"
