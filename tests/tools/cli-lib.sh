# The command-line tests' common part: one case a line, each an exit code and, where it
# matters, a message. Every line a command prints on stderr is a message of the one form
# "facet-sim COMMAND: ...". Sourced by the *-cli.sh scripts with facet-sim's path as $1.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
sim=$(realpath "${1:?facet-sim}")
work=$(mktemp -d /tmp/facet-cli.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
say() { echo "FAIL $*" >&2; fail=1; }

# expect WHAT WANTED_EXIT STDERR_PATTERN COMMAND...: standard output in $work/stdout.
expect() {
    local what=$1 want=$2 pattern=$3 got
    shift 3
    "$@" >"$work/stdout" 2>"$work/stderr"
    got=$?
    if [ "$got" -ne "$want" ]; then
        say "$what: exit $got, expected $want: $(head -c 300 "$work/stderr")"
    elif [ -n "$pattern" ] && ! grep -Eq -- "$pattern" "$work/stderr"; then
        say "$what: no message matching '$pattern': $(head -c 300 "$work/stderr")"
    elif grep -Evq '^facet-sim( [a-z]+)?: [^ ]' "$work/stderr"; then
        say "$what: a message not in the one form: $(grep -Ev '^facet-sim( [a-z]+)?: ' "$work/stderr" | head -n 2)"
    fi
}

# to_full COMMAND...: the command with standard output on a full disk.
to_full() { "$@" >/dev/full; }

# image NAME: a fresh copy of the sample machine; prints its folder.
image() {
    cp -a "$root/examples/machine" "$work/$1"
    echo "$work/$1"
}

# The files of an image with their checksums, to see that nothing changed.
fingerprint() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 md5sum); }
