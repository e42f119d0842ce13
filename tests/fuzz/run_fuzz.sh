#!/usr/bin/env bash
# run_fuzz.sh BUILD_DIR TARGET SECONDS: runs the libFuzzer target fuzz_TARGET (decode, faq) of
# the fuzz build in BUILD_DIR for SECONDS, on a corpus kept in BUILD_DIR/fuzz-TARGET/corpus and
# seeded on first use. Prints the executions, the corpus and the findings; fails on any crash,
# leak or timeout, whose input is kept in BUILD_DIR/fuzz-TARGET/findings.
#
# FUZZ_JOBS=N runs N processes side by side (libFuzzer's fork mode). FUZZ_MERGE=1 shrinks
# the corpus to the inputs that still add coverage afterwards.
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 BUILD_DIR TARGET SECONDS" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
target=$2
seconds=$3
jobs=${FUZZ_JOBS:-1}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
bin=$build/bin/fuzz_$target
work=$build/fuzz-$target
[ -x "$bin" ] || { echo "run_fuzz: $bin is not built (cmake --preset fuzz)" >&2; exit 2; }
mkdir -p "$work/corpus" "$work/seeds" "$work/findings"

case $target in
decode)
    # Files long enough for several seconds of audio, tags and damage in the middle; libFuzzer
    # cuts longer seeds to this.
    max_len=65536
    if [ ! -e "$work/seeds/.made" ]; then
        "$repo/tests/data/make_test_mp3s.sh" "$work/seeds"
        s=$work/seeds
        # Damage within the length limit: junk, and a run of zeros past the resync limit,
        # between two pieces of good audio; a file that changes rate midway. Zeros enough for
        # ten failed resyncs in a row, where decoding gives up, fit only the full-length pass.
        { head -c 8000 "$s/cbr128.mp3"; head -c 4000 "$s/random.mp3"; tail -c 8000 "$s/cbr128.mp3"; } >"$s/junk_small.mp3"
        { head -c 6000 "$s/mono22.mp3"; head -c 40000 /dev/zero; tail -c 6000 "$s/mono22.mp3"; } >"$s/zeros_long.mp3"
        { head -c 6000 "$s/mono22.mp3"; head -c 400000 /dev/zero; tail -c 6000 "$s/mono22.mp3"; } >"$s/zeros_give_up.mp3"
        { head -c 6000 "$s/mpeg25_8k.mp3"; head -c 12000 "$s/s48.mp3"; } >"$s/rate_change.mp3"
        touch "$work/seeds/.made"
    fi
    # The ISO reference streams, when the shared test data is beside the repository.
    shared=$repo/../shared/testdata
    for f in "$shared"/iso/*.bit "$shared"/minimp3-nonstandard/*.bit; do
        if [ -f "$f" ] && [ ! -e "$work/seeds/${f##*/}" ]; then
            cp "$f" "$work/seeds/"
        fi
    done
    dict=(-dict="$here/fuzz_decode.dict")
    ;;
faq)
    max_len=16384
    cp "$repo/FAQ.txt" "$work/seeds/FAQ.txt"
    dict=()
    ;;
*)
    echo "run_fuzz: unknown target $target" >&2
    exit 2
    ;;
esac

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
if ! command -v llvm-symbolizer >/dev/null && [ -x "$symbolizer" ]; then
    export ASAN_SYMBOLIZER_PATH=$symbolizer
fi

# Every seed whole first, and what earlier runs found: libFuzzer cuts inputs to max_len, and
# some damage only shows in a longer file.
echo "== fuzz_$target: seeds and earlier findings at full length"
find "$work/seeds" "$work/findings" -type f ! -name '.*' -print0 |
    (cd "$work" && xargs -0 "$bin" -timeout=30 -artifact_prefix="$work/findings/") >"$work/seeds.log" 2>&1 || {
    tail -n 30 "$work/seeds.log" >&2
    echo "fuzz_$target: FAILED on a seed or an earlier finding; log $work/seeds.log" >&2
    exit 1
}

opts=(
    -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048
    -detect_leaks=1 -print_final_stats=1 -artifact_prefix="$work/findings/" "${dict[@]}"
)
[ "$jobs" -gt 1 ] && opts+=(-fork="$jobs")
log=$work/last.log
before=$(find "$work/findings" -type f | wc -l)

echo "== fuzz_$target: $seconds s, $jobs process(es), corpus $work/corpus"
status=0
(cd "$work" && "$bin" "${opts[@]}" corpus seeds) >"$log" 2>&1 || status=$?

if [ "$jobs" -gt 1 ]; then
    runs=$(grep -oE '^#[0-9]+: cov' "$log" | tail -1 | tr -dc 0-9 || true)
else
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
fi
after=$(find "$work/findings" -type f | wc -l)
if [ "$status" -ne 0 ] || [ "$after" -gt "$before" ]; then
    grep -E 'ERROR|SUMMARY|fuzz_[a-z]+:|Test unit written|^    #[0-9]' "$log" | head -40 >&2 || true
    echo "fuzz_$target: FAILED (exit $status) after ${runs:-?} executions; findings in $work/findings, log $log" >&2
    exit 1
fi

if [ "${FUZZ_MERGE:-0}" = 1 ]; then
    rm -rf "$work/merged" && mkdir "$work/merged"
    (cd "$work" && "$bin" -merge=1 -max_len="$max_len" -timeout=10 merged corpus) >"$work/merge.log" 2>&1
    rm -rf "$work/corpus" && mv "$work/merged" "$work/corpus"
fi
cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
echo "fuzz_$target: ${runs:-?} executions, $(find "$work/corpus" -type f | wc -l) inputs in the corpus" \
    "($(du -sk "$work/corpus" | cut -f1) KiB), ${cov:-cov: ?}, no crash, leak or timeout"
