#!/usr/bin/env bash
# Runs the commands of README's "Comparing the sorts" and "Before and after"
# sections as written, from a folder whose build/release is BUILD (so a test
# build stands in for the user's) beside the sources' examples/ and
# user_sorts/, skipping the blocks marked "<!-- over a minute -->". Each must
# exit 0 and print no nan, and every number of three or more digits (with
# its decimals) in the "#   " notes under a command must be in its output.
# Usage: tests/readme_commands.sh README.md BUILD
set -euo pipefail
(($# == 2)) || { echo "usage: $0 README.md BUILD" >&2; exit 2; }
readme=$1 build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/build"
ln -s "$build" "$work/build/release"
source=$(cd "$(dirname "$readme")" && pwd)
ln -s "$source/examples" "$source/user_sorts" "$work/"

# One command per record, its notes after a tab.
commands=$(awk '
    /^## / { inside = ($0 == "## Comparing the sorts" || $0 == "## Before and after") }
    !inside { next }
    /^<!-- over a minute -->/ { skip = 1 }
    /^```sh$/ { block = 1; next }
    /^```$/ && block { block = 0; skip = 0; if (cmd != "") print cmd "\t" notes; cmd = notes = ""; next }
    !block || skip { next }
    /^#   / { notes = notes " " substr($0, 5); next }
    /^#/ || /^$/ { next }
    { if (cmd != "") print cmd "\t" notes; cmd = $0; notes = "" }
' "$readme")
[[ -n $commands ]] || { echo "no commands found in $readme" >&2; exit 1; }

failed=0 ran=0
while IFS=$'\t' read -r command notes; do
    ran=$((ran + 1))
    status=0
    (cd "$work" && bash -c "$command") </dev/null >"$work/out" 2>&1 || status=$?
    problem=
    if ((status != 0)); then
        problem="exit status $status"
    elif grep -Eiq '(^|[^a-z])nan([^a-z]|$)' "$work/out"; then
        problem="it prints nan: $(grep -Ei '(^|[^a-z])nan([^a-z]|$)' "$work/out" | head -n 1)"
    else
        for number in $(grep -Eo '[0-9]{3,}(\.[0-9]+)?' <<<"$notes" || true); do
            grep -qF "$number" "$work/out" || problem="its output lacks $number, which the README says it prints"
        done
    fi
    if [[ -n $problem ]]; then
        failed=$((failed + 1))
        echo "FAILED: $command: $problem" >&2
        tail -n 20 "$work/out" >&2
    else
        echo "ok: $command"
    fi
done <<<"$commands"
echo "$ran commands, $failed failed"
((failed == 0))
