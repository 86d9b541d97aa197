#!/usr/bin/env bash
# Takes docs/screenshot.png: the window after a small merge, under Xvfb.
# Needs the release build (tools/run.sh or tools/test.sh makes it) and
# ImageMagick's import.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[Event "Club Championship"]\n[Site "Velmor"]\n[Date "2026.03.14"]\n[Round "1"]\n[White "Arden, Lise"]\n[Black "Brook, Tomas"]\n[Result "1-0"]\n\n1. e4 c5 2. Nf3 d6 3. d4 cxd4 4. Nxd4 Nf6 5. Nc3 a6 6. Be3 e5 7. Nb3 Be6 1-0\n' >"$work/club.pgn"
printf '[Event "Spring Open"]\r\n[Site "Velmor"]\r\n[Round "4"]\r\n[White "Cole, Mara"]\r\n[Black "Dane, Ivo"]\r\n[Result "1/2-1/2"]\r\n\r\n1. d4 Nf6 2. c4 e6 3. Nc3 Bb4 4. Qc2 O-O 1/2-1/2\r\n' >"$work/open.pgn"
printf '[Event "Blitz Night"]\r[White "Eske, Jon"]\r[Black "Falk, Una"]\r[Result "0-1"]\r\r1. c4 e5 2. g3 Nf6 3. Bg2 d5 0-1\r' >"$work/blitz.pgn"
xvfb-run -a -s '-screen 0 800x470x24' sh -c "
    build/release/tools/demo/velmor-window-demo '$work/club.pgn' '$work/open.pgn' '$work/blitz.pgn' &
    sleep 3
    import -window root docs/screenshot.png
    kill \$!"
echo "wrote docs/screenshot.png"
