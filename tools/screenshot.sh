#!/usr/bin/env bash
# Takes a picture of an HTML report as headless Chromium draws it, so that
# the README's chart is the report's own page and nothing else draws.
# Usage: tools/screenshot.sh PAGE OUT.png [WIDTHxHEIGHT]   (default 1200x1400)
# Exits 77 when no Chromium is installed.
set -euo pipefail
if (($# < 2 || $# > 3)) || [[ ! ${3:-1200x1400} =~ ^[0-9]+x[0-9]+$ ]]; then
    echo "usage: $0 PAGE OUT.png [WIDTHxHEIGHT]" >&2
    exit 2
fi
page=$1 out=$2 size=${3:-1200x1400}
[[ -f $page ]] || { echo "$0: no such file: $page" >&2; exit 2; }
chrome=$("$(dirname "$0")/browser_check.sh" --which) || {
    echo "$0: no headless Chromium (apt-get install chromium-headless-shell)" >&2
    exit 77
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Offline and as root, like the browser check.
timeout 120 "$chrome" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
    --user-data-dir="$work/profile" --host-resolver-rules='MAP * ~NOTFOUND' --window-size="${size/x/,}" \
    --screenshot="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")" \
    "file://$(cd "$(dirname "$page")" && pwd)/$(basename "$page")" 2>"$work/log" >/dev/null ||
    { echo "$0: Chromium failed: $(tail -n 3 "$work/log")" >&2; exit 1; }
[[ -s $out ]] || { echo "$0: no picture written" >&2; exit 1; }
echo "wrote $out"
