#!/usr/bin/env bash
# Builds the release of the commit checked out twice, in two places and under different conditions,
# and compares the two dist/ folders byte for byte, naming every file that differs. The first build
# is made in the source tree itself, on the build trees that the test command has built already;
# the second in a fresh clone at another path, with another umask, time zone and language, and
# later. Where the source tree has uncommitted changes, both are made from clones of its commit.
# Usage: check_release.sh SOURCE_DIR WORK_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd -P)
work=$2

top=$(git -C "$source_dir" rev-parse --show-toplevel 2>/dev/null) || true
if [[ $top != "$source_dir" ]]; then
    echo "SKIP: $source_dir is no git checkout, and a release is built from a commit"
    exit 77
fi
commit=$(git -C "$source_dir" rev-parse HEAD)
rm -rf "$work"
mkdir -p "$work"

clone() {
    git clone -q --no-checkout "$source_dir" "$1"
    git -C "$1" checkout -q --detach "$commit"
}

# release NAME TREE UMASK TZ LANG: builds the release in TREE under those conditions (an empty TZ
# or LANG is left unset), its dates taken from the commit.
release() {
    local name=$1 tree=$2 mask=$3 variables=(-u SOURCE_DATE_EPOCH -u LC_ALL -u TZ -u LANG)
    [[ -z $4 ]] || variables+=(TZ="$4")
    [[ -z $5 ]] || variables+=(LANG="$5")
    echo "$name build: $tree, umask $mask, TZ=${4:-(unset)}, LANG=${5:-(unset)}"
    if ! (umask "$mask" && cd "$tree" && env "${variables[@]}" scripts/release) >"$work/$name.log" 2>&1; then
        tail -n 30 "$work/$name.log"
        echo "FAIL: the $name build failed; its log is $work/$name.log"
        echo "0 passed, 1 failed"
        exit 1
    fi
}

# The second build's conditions are each the other one of two, so that they differ from the first's
# whatever these are.
umask=$(umask)
tz=${TZ:-}
lang=${LC_ALL:-${LANG:-}}
[[ $umask == 0022 ]] && other_umask=0002 || other_umask=0022
[[ $tz == Pacific/Chatham ]] && other_tz=America/St_Johns || other_tz=Pacific/Chatham
[[ $lang == C.UTF-8 ]] && other_lang=C || other_lang=C.UTF-8

if [[ -z $(git -C "$source_dir" status --porcelain --untracked-files=normal) ]]; then
    first=$source_dir
else
    echo "The source tree has uncommitted changes: both builds are made from clones of $commit."
    first=$work/first/scherzetto
    clone "$first"
fi
release first "$first" "$umask" "$tz" "$lang"
second=$work/second/at/another/path/scherzetto
clone "$second"
release second "$second" "$other_umask" "$other_tz" "$other_lang"

# A verdict for every file of either build, and the checksums checked as a person would.
failed=0
passed=0
while read -r name; do
    if [[ ! -e $first/dist/$name || ! -e $second/dist/$name ]]; then
        echo "FAIL: $name is only in the $([[ -e $first/dist/$name ]] && echo first || echo second) build"
    elif difference=$(cmp -- "$first/dist/$name" "$second/dist/$name" 2>&1); then
        echo "PASS: $name is the same in both builds"
        passed=$((passed + 1))
        continue
    else
        echo "FAIL: $name differs between the builds, of $(stat -c %s "$first/dist/$name") and" \
            "$(stat -c %s "$second/dist/$name") bytes, first at ${difference##*differ: }"
    fi
    failed=$((failed + 1))
done < <({ ls -A "$first/dist" && ls -A "$second/dist"; } | LC_ALL=C sort -u)

listed=$(cut -d ' ' -f 3- "$first/dist/SHA256SUMS" | LC_ALL=C sort)
present=$(ls -A "$first/dist" | grep -vx SHA256SUMS | LC_ALL=C sort)
if [[ $(wc -l <<<"$listed") -eq 4 && $listed == "$present" ]] &&
    (cd "$first/dist" && sha256sum --strict -c SHA256SUMS); then
    echo "PASS: SHA256SUMS lists the four downloads, and sha256sum -c finds them intact"
    passed=$((passed + 1))
else
    echo "FAIL: SHA256SUMS lists $(paste -s -d ' ' <<<"$listed");" \
        "dist/ holds $(paste -s -d ' ' <<<"$present")"
    failed=$((failed + 1))
fi
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
