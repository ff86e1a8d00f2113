#!/usr/bin/env bash
# facet-sim at the image boundary, from the outside: outputs replace a link rather than
# write through it, a stand-in branding file is held in memory, a folder where a file is
# expected is refused with exit 2 and a message, and a report that cannot be written
# stops the run before it changes anything.
#   boundary-cli.sh FACET_SIM
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
sim=$(realpath "${1:?facet-sim}")
sample=$root/examples/machine
ini=$sample/drive_c/Facet/Facet.INI
out=$(mktemp -d /tmp/facet-boundary-cli.XXXXXX)
trap 'rm -rf "$out"' EXIT
fail=0
expect() {  # expect WHAT WANTED_EXIT STDERR_PATTERN COMMAND...
    local what=$1 want=$2 pattern=$3 got
    shift 3
    "$@" >"$out/stdout" 2>"$out/stderr"
    got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL $what: exit $got, expected $want" >&2
        cat "$out/stderr" >&2
        fail=1
    elif [ -n "$pattern" ] && ! grep -Eq "$pattern" "$out/stderr"; then
        echo "FAIL $what: no message matching '$pattern'" >&2
        cat "$out/stderr" >&2
        fail=1
    fi
}
# Every name below a folder with its kind, size, times, link target and bytes.
snapshot() {
    (cd "$1" && find . -path ./stdout -prune -o -path ./stderr -prune -o -printf '%p %y %s %T@ %C@ %l\n' | sort &&
        find . -type f ! -name stdout ! -name stderr -exec md5sum {} + | sort)
}
mkdir -p "$out/outside" "$out/suite"

# check --update through a link: the link is replaced, its target outside stays.
cp -r "$sample" "$out/suite/m1"
echo '{"kept": true}' >"$out/outside/expect.json"
ln -s "$out/outside/expect.json" "$out/suite/m1/expect.json"
expect "check --update" 0 "" "$sim" check --update "$out/suite"
[ "$(cat "$out/outside/expect.json")" = '{"kept": true}' ] || { echo "FAIL check --update wrote through the link" >&2; fail=1; }
{ [ -f "$out/suite/m1/expect.json" ] && [ ! -L "$out/suite/m1/expect.json" ]; } ||
    { echo "FAIL check --update left expect.json a link" >&2; fail=1; }
expect "check after --update" 0 "" "$sim" check "$out/suite"

# check --ini on a machine whose Facet folder is a link out of the image: the stand-in
# is used, and nothing is written anywhere.
mv "$out/suite/m1/drive_c/Facet" "$out/outside/Facet"
ln -s "$out/outside/Facet" "$out/suite/m1/drive_c/Facet"
expect "check --update, Facet folder outside" 0 "" "$sim" check --update "$out/suite"
before=$(snapshot "$out")
expect "check --ini, Facet folder outside" 1 "" "$sim" check --ini "$ini" "$out/suite"
grep -q 'no longer stops before its branding actions (was: Facet.INI not found)' "$out/stdout" ||
    { echo "FAIL check --ini: the stand-in branding file was not used" >&2; cat "$out/stdout" >&2; fail=1; }
[ "$before" = "$(snapshot "$out")" ] || { echo "FAIL check --ini wrote something" >&2; fail=1; }
rm "$out/suite/m1/drive_c/Facet" && mv "$out/outside/Facet" "$out/suite/m1/drive_c/Facet"

# A folder where a file is expected.
expect "check --ini DIR" 2 "folder" "$sim" check --ini "$out/outside" "$out/suite"
expect "explain --ini DIR" 2 "folder" "$sim" explain "$out/suite/m1" --ini "$out/outside"
rm "$out/suite/m1/expect.json" && mkdir "$out/suite/m1/expect.json"
expect "expect.json a folder" 2 "expect.json is not a regular file" "$sim" check "$out/suite"
rmdir "$out/suite/m1/expect.json"
mv "$out/suite/m1/registry.reg" "$out/registry.reg" && mkdir "$out/suite/m1/registry.reg"
expect "registry.reg a folder" 2 "registry.reg is not a regular file" "$sim" run "$out/suite/m1"
rmdir "$out/suite/m1/registry.reg" && mv "$out/registry.reg" "$out/suite/m1/registry.reg"
expect "lint input a folder" 2 "folder" "$sim" lint "$out/outside"

# A report whose folder does not exist: refused before the run changes the image.
before=$(snapshot "$out/suite")
expect "run --report, no such folder" 2 "no-such-folder" "$sim" run "$out/suite/m1" -h --report "$out/no-such-folder/r.json"
[ "$before" = "$(snapshot "$out/suite")" ] || { echo "FAIL run --report changed the image before failing" >&2; fail=1; }

# A report, and expectations, nested 100,000 deep.
/usr/bin/python3 -c "print('[' * 100000 + ']' * 100000)" >"$out/deep.json"
expect "diff of a deeply nested report" 2 "nested deeper than 64" "$sim" diff "$out/deep.json"
cp "$out/deep.json" "$out/suite/m1/expect.json"
expect "check of deeply nested expectations" 2 "nested deeper than 64" "$sim" check "$out/suite"

# An output that cannot be written is exit 2; a device named as the output is written
# into, never replaced by a file.
if [ -c /dev/full ]; then
    expect "explain --out /dev/full" 2 "no space left" "$sim" explain "$sample" --out /dev/full
    expect "regions to a full disk" 2 "cannot write the output" sh -c '"$1" regions >/dev/full' - "$sim"
    [ -c /dev/full ] || { echo "FAIL /dev/full is no longer a device" >&2; fail=1; }
fi
expect "explain --out /dev/null" 0 "" "$sim" explain "$sample" --out /dev/null
[ -c /dev/null ] || { echo "FAIL /dev/null is no longer a device" >&2; fail=1; }

[ $fail -eq 0 ] && echo "boundary command checks passed"
exit $fail
