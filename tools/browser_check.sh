#!/usr/bin/env bash
# Opens an HTML report in headless Chromium and checks what it drew: no
# JavaScript error, CHARTS charts with POINTS points in all and MARKS marks
# where a line stops (default 0; the page records them on <body>), no two
# points of a line within 3 pixels across, nothing fetched from outside, and
# a 1200x900 screenshot whose pixels are not all one colour.
# Usage: tools/browser_check.sh [--marks=MARKS] PAGE CHARTS POINTS [SCREENSHOT.png]
#        tools/browser_check.sh --which    (prints the Chromium it would use)
# Exits 0 when all holds, 77 when no Chromium is installed, 1 with the
# reason otherwise, 2 on bad arguments.
set -euo pipefail

chrome=
for candidate in chromium-headless-shell /usr/lib/chromium/chromium-headless-shell /usr/lib/chromium/headless_shell \
    chromium /usr/lib/chromium/chromium; do
    if command -v "$candidate" >/dev/null; then chrome=$(command -v "$candidate"); break; fi
done
if [[ ${1:-} == --which ]]; then
    [[ -n $chrome ]] || exit 77
    echo "$chrome"
    exit 0
fi
marks=0
if [[ ${1:-} =~ ^--marks=([0-9]+)$ ]]; then
    marks=${BASH_REMATCH[1]}
    shift
fi
if (($# < 3 || $# > 4)) || [[ ! $2 =~ ^[0-9]+$ || ! $3 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 [--marks=MARKS] PAGE CHARTS POINTS [SCREENSHOT.png]" >&2
    exit 2
fi
if [[ -z $chrome ]]; then
    echo "skipped: no headless Chromium (apt-get install chromium-headless-shell)"
    exit 77
fi

page=$1 charts=$2 points=$3 shot=${4:-}
fail() { echo "browser check of $page: $*" >&2; exit 1; }
[[ -f $page ]] || fail "no such file"

# The page must carry everything: no element may load a file.
if grep -Eiq '<(script|img|iframe|link|embed|object|audio|video|source)[^>]*[[:space:]](src|href|data)[[:space:]]*=' "$page"; then
    fail "it loads something from outside: $(grep -Eio '<(script|img|iframe|link|embed|object|audio|video|source)[^>]*' "$page" | head -1)"
fi
if sed -n '/<style/,/<\/style>/p' "$page" | grep -Eiq 'url\(|@import'; then
    fail "its style sheet loads something from outside"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A fresh profile, no network (every host name fails), headless; the full
# chromium binary also needs --headless, the shell ignores it. CI runs as
# root, where Chromium needs --no-sandbox.
browse() {
    timeout 120 "$chrome" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
        --user-data-dir="$work/profile" --host-resolver-rules='MAP * ~NOTFOUND' --window-size=1200,900 \
        "$@" 2>>"$work/log"
}
url() { printf 'file://%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
attribute() { sed -n "s/.* $1=\"\([^\"]*\)\".*/\1/p" <<<"$2"; }

dom=$(browse --dump-dom "$(url "$page")") || fail "Chromium failed: $(tail -n 3 "$work/log")"
body=$(grep -o '<body[^>]*>' <<<"$dom" | head -n 1)
errors=$(attribute data-errors "$body")
drawn=$(attribute data-charts "$body")
plotted=$(attribute data-points "$body")
[[ -n $errors ]] || fail "no data-errors on <body> (is it a report page?)"
[[ $errors == 0 ]] || fail "$errors JavaScript errors"
[[ -n $drawn && -n $plotted ]] || fail "the page's script did not finish (no data-charts or data-points)"
[[ $drawn == "$charts" ]] || fail "$drawn charts drawn, expected $charts"
[[ $plotted == "$points" ]] || fail "$plotted points plotted, expected $points"
marked=$(attribute data-marks "$body")
crowded=$(attribute data-crowded "$body")
[[ $marked == "$marks" ]] || fail "${marked:-no} marks where a line stops, expected $marks"
[[ $crowded == 0 ]] || fail "${crowded:-unknown} points drawn within 3 pixels of their line's neighbour"

if [[ -n $shot ]]; then
    rm -f "$shot"
    browse --screenshot="$shot" "$(url "$page")" >/dev/null || fail "Chromium failed: $(tail -n 3 "$work/log")"
    [[ -s $shot ]] || fail "no screenshot"
    # Chromium reads the picture back itself: an image from a data: address
    # may be drawn into a canvas and read, where one from a file may not.
    {
        printf '<!DOCTYPE html><body><img id="shot" src="data:image/png;base64,'
        base64 -w 0 "$shot"
        cat <<'HTML'
"><script>
window.addEventListener('load', function () {
  var img = document.getElementById('shot'), canvas = document.createElement('canvas');
  canvas.width = img.naturalWidth; canvas.height = img.naturalHeight;
  var context = canvas.getContext('2d');
  context.drawImage(img, 0, 0);
  var pixels = context.getImageData(0, 0, canvas.width, canvas.height).data, colours = new Set();
  for (var i = 0; i < pixels.length && colours.size < 1000; i += 4)
    colours.add((pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2]);
  document.body.setAttribute('data-size', canvas.width + 'x' + canvas.height);
  document.body.setAttribute('data-colours', String(colours.size));
});
</script></body>
HTML
    } >"$work/shot.html"
    dom=$(browse --dump-dom "$(url "$work/shot.html")") || fail "Chromium failed: $(tail -n 3 "$work/log")"
    body=$(grep -o '<body[^>]*>' <<<"$dom" | head -n 1)
    size=$(attribute data-size "$body")
    colours=$(attribute data-colours "$body")
    [[ $size == 1200x900 ]] || fail "the screenshot is ${size:-unreadable}, not 1200x900"
    ((colours > 1)) || fail "the screenshot is all one colour"
fi
echo "browser check of $page: $drawn charts, $plotted points, $marked marks, no JavaScript error${shot:+, screenshot $shot}"
