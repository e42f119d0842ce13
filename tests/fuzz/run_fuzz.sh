#!/usr/bin/env bash
# run_fuzz.sh BUILD_DIR TARGET SECONDS: runs the libFuzzer target fuzz_TARGET (decode, faq,
# tags, uri)
# of the fuzz build for SECONDS on the corpus in BUILD_DIR/fuzz-TARGET/corpus, seeded on
# first use. Fails on any crash, leak or timeout, whose input is kept in its findings/.
# FUZZ_JOBS=N runs N processes (fork mode); FUZZ_MERGE=1 then shrinks the corpus.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage "BUILD_DIR TARGET SECONDS" "$@"
target=$2
seconds=$3
bin=$(realpath "$1")/bin/fuzz_$target
work=$(realpath "$1")/fuzz-$target
[ -x "$bin" ] || { echo "run_fuzz: $bin is not built (cmake --preset fuzz)" >&2; exit 2; }
mkdir -p "$work/corpus" "$work/seeds" "$work/findings"
s=$work/seeds

case $target in
decode)
    max_len=65536 # several seconds of audio, with tags and damage
    if [ ! -e "$s/.made" ]; then
        "$root/tests/data/make_test_mp3s.sh" "$s"
        # Damage within max_len: junk or zeros past the resync limit between good audio, and
        # a change of rate. Zeros enough for decoding to give up fit only the full-length run.
        { head -c 8000 "$s/cbr128.mp3"; head -c 4000 "$s/random.mp3"; tail -c 8000 "$s/cbr128.mp3"; } >"$s/junk_small.mp3"
        { head -c 6000 "$s/mono22.mp3"; head -c 40000 /dev/zero; tail -c 6000 "$s/mono22.mp3"; } >"$s/zeros_long.mp3"
        { head -c 6000 "$s/mono22.mp3"; head -c 400000 /dev/zero; tail -c 6000 "$s/mono22.mp3"; } >"$s/zeros_give_up.mp3"
        { head -c 6000 "$s/mpeg25_8k.mp3"; head -c 12000 "$s/s48.mp3"; } >"$s/rate_change.mp3"
        touch "$s/.made"
    fi
    # The ISO reference streams, when the shared test data is beside the repository.
    cp -n "$root"/../shared/testdata/{iso,minimp3-nonstandard}/*.bit "$s/" 2>/dev/null || true
    dict=(-dict="$here/fuzz_decode.dict")
    ;;
faq)
    max_len=16384
    cp "$root/FAQ.txt" "$s/FAQ.txt"
    dict=()
    ;;
tags)
    max_len=65536
    if [ ! -e "$s/.made" ]; then
        mp3s=$(mktemp -d)
        "$root/tests/data/make_test_mp3s.sh" "$mp3s" >/dev/null
        # The tags lame writes: ID3v2 with and without a picture, UTF-16, ID3v1.
        for f in cbr128 id3v1 id3v2_big long_title; do
            head -c "$max_len" "$mp3s/$f.mp3" >"$s/$f.tag"
        done
        tail -c 128 "$mp3s/id3v1.mp3" >"$s/id3v1_only.tag"
        # An ID3v2.3 title marked Latin-1 holding Shift-JIS.
        printf 'ID3\3\0\0\0\0\0\17TIT2\0\0\0\5\0\0\0\211\271\212\171' >"$s/sjis.tag"
        rm -rf "$mp3s"
        touch "$s/.made"
    fi
    dict=(-dict="$here/fuzz_tags.dict")
    ;;
uri)
    max_len=4096
    printf 'file:///home/user/%%E9t%%C3%%A9%%20music/01.mp3' >"$s/uri"
    printf 'file://localhost/tmp/a.mp3' >"$s/localhost"
    printf '# a list\r\nfile:///a/b.mp3\r\nhttp://example.org/c.mp3\r\nfile:/d%%2Fe.mp3\n' >"$s/list"
    dict=(-dict="$here/fuzz_uri.dict")
    ;;
esac

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
command -v llvm-symbolizer >/dev/null || export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer

# The seeds and earlier findings whole first: libFuzzer cuts inputs to max_len, and some
# damage only shows in a longer file.
find "$s" "$work/findings" -type f ! -name '.*' -print0 |
    (cd "$work" && xargs -0 "$bin" -timeout=30 -artifact_prefix="$work/findings/") >"$work/seeds.log" 2>&1 ||
    fail "$(tail -n 30 "$work/seeds.log")
fuzz_$target: FAILED on a seed or an earlier finding; log $work/seeds.log"

opts=(-max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048
    -detect_leaks=1 -artifact_prefix="$work/findings/" "${dict[@]}")
[ "${FUZZ_JOBS:-1}" -gt 1 ] && opts+=(-fork="$FUZZ_JOBS")
log=$work/last.log
before=$(find "$work/findings" -type f | wc -l)
status=0
(cd "$work" && "$bin" "${opts[@]}" corpus seeds) >"$log" 2>&1 || status=$?
runs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#' || true)
if [ "$status" -ne 0 ] || [ "$(find "$work/findings" -type f | wc -l)" -gt "$before" ]; then
    grep -E 'ERROR|SUMMARY|fuzz_[a-z]+:|Test unit written|^    #[0-9]' "$log" | head -40 >&2 || true
    fail "fuzz_$target: FAILED (exit $status) after ${runs:-?} executions; findings in $work/findings, log $log"
fi

if [ "${FUZZ_MERGE:-0}" = 1 ]; then
    rm -rf "$work/merged" && mkdir "$work/merged"
    (cd "$work" && "$bin" -merge=1 -max_len="$max_len" -timeout=10 merged corpus) >"$work/merge.log" 2>&1
    rm -rf "$work/corpus" && mv "$work/merged" "$work/corpus"
fi
cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
echo "fuzz_$target: $seconds s, ${runs:-?} executions, $(find "$work/corpus" -type f | wc -l) inputs" \
    "in the corpus, ${cov:-cov: ?}, no crash, leak or timeout"
