#!/bin/sh
# Runs a fuzz target from its seed corpus for a bounded time, with a fixed seed so that a run can be
# repeated:  run.sh FUZZER SECONDS [SEED]
# What the run discovers goes to a scratch corpus beside the fuzzer, emptied first so that the same
# seed gives the same run; an input that fails is kept there as crash-*, to be replayed with
# `FUZZER FILE`.
set -eu
fuzzer=$1
seconds=$2
seed=${3:-1}
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$fuzzer")
work=$(dirname "$fuzzer")/$name.work
rm -rf "$work"
mkdir -p "$work/corpus"

echo "$name: seed $seed for $seconds s; replay with: $0 $fuzzer $seconds $seed"
status=0
"$fuzzer" -seed="$seed" -max_total_time="$seconds" -dict="$here/italian.dict" -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "$here/corpus/${name#fuzz_}" || status=$?
if [ "$status" -ne 0 ]; then
    echo "$name failed with seed $seed; the failing input, to replay with '$fuzzer FILE':" >&2
    ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* 2>/dev/null >&2 || true
fi
exit "$status"
