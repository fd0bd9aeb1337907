#!/usr/bin/env bash
# Builds sortbench (Release) and runs it, its GBK report converted to UTF-8
# line by line so that progress shows as it happens. Installs cmake and g++
# first where they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh run
cmake --preset release >/dev/null
cmake --build --preset release --target sortbench
# iconv alone would hold back every line until the program ends.
build/release/sortbench | while IFS= read -r line; do printf '%s\n' "$line" | iconv -f GBK -t UTF-8; done
