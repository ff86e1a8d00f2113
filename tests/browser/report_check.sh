#!/usr/bin/env bash
# The HTML branding report in a real browser: writes the sample machine's report, loads
# it in headless chromium and checks the page as the browser built it (grid cells with
# their colours and section names, every thumbnail decoded), then takes a screenshot and
# checks that it is not blank. The report and the screenshot stay in OUT_DIR.
# Usage: report_check.sh FACET_SIM SOURCE_DIR OUT_DIR
set -u
sim=$1
src=$2
out=$3
mkdir -p "$out" && out=$(cd "$out" && pwd)
report="$out/sample-report.html"
shot="$out/report-screenshot.png"
profile=$(mktemp -d /tmp/facet-chromium.XXXXXX)
trap 'rm -rf "$profile"' EXIT
fail() { echo "report check: $*" >&2; exit 1; }

"$sim" matrix --image "$src/examples/machine" --models "$src/examples/models.txt" --format html --out "$report"
code=$?
[ $code -le 1 ] || fail "facet-sim matrix exited $code"

browser() {
    timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
        --virtual-time-budget=5000 "$@" 2>/dev/null
}

attr() { grep -o "data-$1=\"[^\"]*\"" <<<"$dom" | head -n 1 | sed 's/^[^"]*"//; s/"$//'; }
# A browser starved of CPU by a busy machine may give up before the page's load event;
# it gets three tries.
for try in 1 2 3; do
    dom=$(browser --dump-dom "file://$report") || dom=
    [ "$(attr check)" = done ] && break
done
[ "$(attr check)" = done ] || fail "the page's script did not finish: $(grep -o '<body[^>]*>' <<<"$dom")"
thumbs=$(attr thumbs)
[ "$thumbs" = "18/18" ] || fail "thumbnails decoded: $thumbs, expected 18/18"
cells=$(attr cells)
[ "${cells:-0}" -gt 0 ] || fail "no grid cells"
colour=$(attr first-cell-color)
case "$colour" in
    rgb\(*) [ "$colour" != "rgb(255, 255, 255)" ] || fail "grid cells are not coloured" ;;
    *) fail "no cell colour: $colour" ;;
esac
# The sample machine's own combination: UK, 0809, COMMERCIAL finds its section first.
grep -q '<td class="c1" data-x="[0-9]*" title="COMMERCIAL / UK / 0809 en-GB: UK-0809-COMMERCIAL">UK-0809-COMMERCIAL</td>' \
    <<<"$dom" || fail "no cell UK-0809-COMMERCIAL found by candidate 1"
grep -q '<td class="c4"[^>]*>UK-\*-COMMERCIAL</td>' <<<"$dom" || fail "no cell UK-*-COMMERCIAL found by candidate 4"
grep -q '<td class="c5[^"]*"[^>]*>TABLET</td>' <<<"$dom" || fail "no cell TABLET found by candidate 5"
grep -q 'data-category="TABLET"' <<<"$dom" || fail "no TABLET grid"

rm -f "$shot"
browser --window-size=1280,900 --screenshot="$shot" "file://$report" >/dev/null
[ -s "$shot" ] || fail "no screenshot"
# The screenshot, drawn into a canvas in the browser itself, must hold more than one colour.
check="$out/screenshot-check.html"
{
    printf '<!DOCTYPE html><html><body><img id="s" src="data:image/png;base64,'
    base64 -w0 "$shot"
    printf '"><script>window.onload=function(){var i=document.getElementById("s"),c=document.createElement("canvas");'
    printf 'c.width=i.naturalWidth;c.height=i.naturalHeight;var x=c.getContext("2d");x.drawImage(i,0,0);'
    printf 'var d=x.getImageData(0,0,c.width,c.height).data,seen={},n=0;'
    printf 'for(var k=0;k<d.length&&n<50;k+=4){var v=d[k]+","+d[k+1]+","+d[k+2];if(!seen[v]){seen[v]=1;n++;}}'
    printf 'document.body.setAttribute("data-colours",n);document.body.setAttribute("data-size",c.width+"x"+c.height);};'
    printf '</script></body></html>'
} >"$check"
dom=$(browser --dump-dom "file://$check") || fail "chromium could not load the screenshot check"
colours=$(attr colours)
[ "${colours:-0}" -gt 1 ] || fail "the screenshot is blank ($colours colours)"
echo "report check: $cells cells, thumbnails $thumbs, first cell $colour, screenshot $(attr size) with ${colours}+ colours: $shot"
