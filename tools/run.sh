#!/usr/bin/env bash
# Sets up the machine, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build/release -DCMAKE_BUILD_TYPE=Release
exec build/release/shell/velmor-merger
