#!/usr/bin/env bash
# make_test_mp3s.sh OUTDIR: the MP3 files the tests play, each made from a generated signal
# of exact length (tests count samples), the same bytes on every run (sox -R).
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage OUTDIR "$@"
out=$1
mkdir -p "$out"
scratch mp3s

# tone NAME RATE CHANNELS SECONDS FREQ...: a 16-bit WAV, one sine per channel.
tone() {
    local name=$1 rate=$2 ch=$3 secs=$4 f synth=()
    shift 4
    for f; do synth+=(sine "$f"); done
    sox -R -n -r "$rate" -c "$ch" -b 16 "$tmp/$name.wav" synth "$secs" "${synth[@]}" gain -6
}
# noise BYTES SEED: random bytes, the same for the same seed.
noise() { perl -e 'srand($ARGV[1]); print pack("C*", map { int(rand(256)) } 1 .. $ARGV[0])' "$@"; }
enc() { lame --quiet --noreplaygain "$@"; }

# Pitches far apart, for the tests that tell tracks apart by ear.
for i in 1 2 3; do
    tone "s$i" 44100 2 1.5 $((220 << i)) $((220 << i))
    enc -b 128 "$tmp/s$i.wav" "$out/short$i.mp3"
done
# Long enough to act on while it plays.
tone long 44100 2 6 440 660
enc -b 128 "$tmp/long.wav" "$out/long.mp3"

# 2 s at 44.1 kHz = 88200 frames; left and right differ so a channel swap shows.
tone st44 44100 2 2 500 700
enc -b 128 --tt "Test Title" --ta "Test Artist" "$tmp/st44.wav" "$out/cbr128.mp3"
enc -b 320 "$tmp/st44.wav" "$out/cbr320.mp3"
enc -V 2 "$tmp/st44.wav" "$out/vbr.mp3"
enc --freeformat -b 200 "$tmp/st44.wav" "$out/free.mp3"
enc -b 128 --id3v1-only --tt "Only V1" --ta "Old Tag" "$tmp/st44.wav" "$out/id3v1.mp3"
tone mono22 22050 1 2 440
enc -b 64 "$tmp/mono22.wav" "$out/mono22.mp3"
tone st48 48000 2 2 500 700
enc -b 192 "$tmp/st48.wav" "$out/s48.mp3"
tone m8 8000 1 2 300
enc -b 16 "$tmp/m8.wav" "$out/mpeg25_8k.mp3"

# An ID3v2 tag of over 1 MB (a cover picture) in front of the audio.
{ printf '\xff\xd8\xff\xe0' && head -c 1048576 /dev/zero; } >"$tmp/cover.jpg"
enc -b 128 --id3v2-only --ti "$tmp/cover.jpg" --tt "Big Tag" --ta "Picture" "$tmp/st44.wav" "$out/id3v2_big.mp3"
# A title longer than the 127 bytes a record holds, in multi-byte UTF-8.
long_title=$(printf 'あいうえお%.0s' $(seq 1 12))
enc -b 128 --id3v2-only --id3v2-utf16 --tt "$long_title" "$tmp/st44.wav" "$out/long_title.mp3"

# Not MPEG audio.
: >"$out/empty.mp3"
noise 65536 1 >"$out/random.mp3"
# Cut off in the middle of a 417- or 418-byte frame.
head -c 20000 "$out/cbr128.mp3" >"$out/truncated.mp3"
# An APEv2 tag (header, one item, footer) after the audio, as some taggers write it.
perl -e '
    my $item = pack("V V", 8, 0) . "Title\0" . "APE Tag!";
    my $tag = sub { "APETAGEX" . pack("V V V V", 2000, length($item) + 32, 1, $_[0]) . "\0" x 8 };
    print $tag->(0xA0000000), $item, $tag->(0x80000000);' >"$tmp/ape"
cat "$out/cbr320.mp3" "$tmp/ape" >"$out/ape.mp3"
# Damage in the middle: the same file twice with 40 kB of random bytes between.
noise 40000 2 >"$tmp/junk"
cat "$out/cbr320.mp3" "$tmp/junk" "$out/cbr320.mp3" >"$out/junk_middle.mp3"
