#!/usr/bin/python3
"""make_tagged_mp3.py AUDIO OUT [--title BYTES] [--artist TEXT] [--album BYTES] [--cover FILE]:
OUT is AUDIO (an MP3 without tags) behind an ID3v2.3 tag written byte by byte as Japanese
taggers write it: the title and album frames marked ISO-8859-1 but holding the bytes given
(hex, e.g. Shift-JIS), the artist in UTF-16 with a byte-order mark, and FILE as the front
cover (APIC, type 3)."""
import argparse


def frame(name, body):
    return name.encode() + len(body).to_bytes(4, "big") + b"\0\0" + body


def syncsafe(n):
    return bytes((n >> shift) & 0x7F for shift in (21, 14, 7, 0))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("audio")
    p.add_argument("out")
    p.add_argument("--title")
    p.add_argument("--artist")
    p.add_argument("--album")
    p.add_argument("--cover")
    a = p.parse_args()
    frames = b""
    if a.title:
        frames += frame("TIT2", b"\0" + bytes.fromhex(a.title))
    if a.artist:
        frames += frame("TPE1", b"\1" + a.artist.encode("utf-16"))
    if a.album:
        frames += frame("TALB", b"\0" + bytes.fromhex(a.album))
    if a.cover:
        with open(a.cover, "rb") as f:
            frames += frame("APIC", b"\0image/jpeg\0\3\0" + f.read())
    frames += bytes(256)  # padding, as taggers leave room
    with open(a.audio, "rb") as f:
        audio = f.read()
    with open(a.out, "wb") as f:
        f.write(b"ID3\3\0\0" + syncsafe(len(frames)) + frames + audio)


if __name__ == "__main__":
    main()
