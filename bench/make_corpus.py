#!/usr/bin/env python3
"""Writes a PGN-like corpus for the merge benchmark.

    make_corpus.py FOLDER --size 300M --files 50 [--seed 1]

Files are named src-NNN.pgn. Their line ends are CR LF, LF, CR or a mix of
the three by stretches; most lines are short (tag pairs, wrapped moves), a
few are several KB long (moves or a comment on one line), and some files end
without a final line end. Beside them, FOLDER/expected.txt holds the size and
SHA-256 of the merged text those files must give, worked out here from the
lines themselves, so a benchmark run can check its output afterwards.
"""
import argparse
import hashlib
import os
import random
import sys

LINE_ENDS = {"crlf": b"\r\n", "lf": b"\n", "cr": b"\r"}
CHUNK_BYTES = 4 << 20
PIECES = ["K", "Q", "R", "B", "N", ""]
FILES = "abcdefgh"
NAMES = [b"Almeida, R.", b"Brunner, K.", b"Cz\xe9ka, M.", b"Dubois, J.", b"Eriksson, L.",
         b"Fischbach, T.", b"G\xf6rlitz, A.", b"Horvath, P.", b"Ivanova, S.", b"Jansen, W."]
RESULTS = [b"1-0", b"0-1", b"1/2-1/2", b"*"]


def parse_size(text):
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    text = text.strip().upper().rstrip("B").rstrip("I")
    if text and text[-1] in units:
        return int(float(text[:-1]) * units[text[-1]])
    return int(text)


def move(rng):
    return (rng.choice(PIECES) + rng.choice(FILES) + str(rng.randint(1, 8))).encode()


def movetext(rng, plies):
    words = []
    for ply in range(plies):
        if ply % 2 == 0:
            words.append(b"%d." % (ply // 2 + 1))
        words.append(move(rng))
    return words


def wrap(words, width=79):
    lines, line = [], b""
    for word in words:
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = line + b" " + word if line else word
    if line:
        lines.append(line)
    return lines


def game_lines(rng, number):
    """One game as lines without line ends, the blank line after it included."""
    result = rng.choice(RESULTS)
    tags = [
        (b"Event", b"Open %d" % rng.randint(1990, 2024)),
        (b"Site", b"Velmor"),
        (b"Date", b"%d.%02d.%02d" % (rng.randint(1990, 2024), rng.randint(1, 12), rng.randint(1, 28))),
        (b"Round", b"%d" % rng.randint(1, 11)),
        (b"White", rng.choice(NAMES)),
        (b"Black", rng.choice(NAMES)),
        (b"Result", result),
        (b"GameId", b"%d" % number),
    ]
    lines = [b'[%s "%s"]' % tag for tag in tags]
    lines.append(b"")
    words = movetext(rng, rng.randint(30, 140)) + [result]
    kind = rng.random()
    if kind < 0.02:  # all moves on one line of several KB
        words += movetext(rng, rng.randint(400, 1600))
        lines.append(b" ".join(words))
    elif kind < 0.04:  # a long comment on a line of its own
        lines += wrap(words)
        lines.append(b"{" + b"x" * rng.randint(2000, 8000) + b"}")
    else:
        lines += wrap(words)
    lines.append(b"")
    return lines


class Chunk:
    """A few MB of games in one line end style, with the merged form of it."""

    def __init__(self, rng, style, first_game):
        raw, merged, size, number = [], [], 0, first_game
        while size < CHUNK_BYTES:
            for line in game_lines(rng, number):
                end = LINE_ENDS[style]
                raw.append(line + end)
                merged.append(line + b"\r\n")
                size += len(line) + len(end)
            number += 1
        self.raw = b"".join(raw)
        self.merged = b"".join(merged)
        self.games = number - first_game


def style_of(index):
    return ["crlf", "lf", "cr", "mixed"][index % 4]


def write_source(path, style, size, chunks, rng, digest):
    """Writes one source; returns the length of its block in the merged text."""
    names = list(LINE_ENDS) if style == "mixed" else [style]
    written = block = 0
    with open(path, "wb") as out:
        while written < size:
            chunk = rng.choice(chunks[rng.choice(names)])
            raw, merged = chunk.raw, chunk.merged
            if written + len(raw) > size:  # the last piece: whole lines only
                cut = max(1, size - written)
                raw, merged = cut_lines(raw, merged, cut)
            out.write(raw)
            digest.update(merged)
            written += len(raw)
            block += len(merged)
        if (path_index(path) % 5) == 4:  # a last line without a line end
            tail = b'[Event "Unfinished"]'
            out.write(tail)
            digest.update(tail + b"\r\n")
            block += len(tail) + 2
    digest.update(b"\r\n")  # every block is followed by an empty line
    return block + 2


def cut_lines(raw, merged, wanted):
    """The first lines of a chunk, about `wanted` bytes, ended by a whole line."""
    raw_lines = raw.splitlines(keepends=True)
    merged_lines = merged.splitlines(keepends=True)
    # On bytes, splitlines breaks at CR LF, CR and LF only, as the merge does.
    assert len(raw_lines) == len(merged_lines)
    taken = raw_size = 0
    while taken < len(raw_lines) and raw_size < wanted:
        raw_size += len(raw_lines[taken])
        taken += 1
    return b"".join(raw_lines[:taken]), b"".join(merged_lines[:taken])


def path_index(path):
    return int(os.path.basename(path)[4:7])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder")
    parser.add_argument("--size", default="300M", help="total size, e.g. 300M or 4G (default 300M)")
    parser.add_argument("--files", type=int, default=50, help="number of files (default 50)")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    total = parse_size(args.size)
    if args.files < 1 or total < args.files:
        sys.exit("make_corpus.py: need at least one file and one byte per file")

    rng = random.Random(args.seed)
    chunks, number = {}, 1
    for style in LINE_ENDS:
        chunks[style] = []
        for _ in range(2):
            chunk = Chunk(rng, style, number)
            chunks[style].append(chunk)
            number += chunk.games

    os.makedirs(args.folder, exist_ok=True)
    digest, merged_size = hashlib.sha256(), 0
    for index in range(args.files):
        size = total // args.files + (1 if index < total % args.files else 0)
        path = os.path.join(args.folder, "src-%03d.pgn" % index)
        merged_size += write_source(path, style_of(index), size, chunks, rng, digest)
    with open(os.path.join(args.folder, "expected.txt"), "w") as out:
        out.write("size %d\nsha256 %s\n" % (merged_size, digest.hexdigest()))


if __name__ == "__main__":
    main()
