#!/usr/bin/env bash
# Installs with apt-get the Debian packages that a command needs and this
# machine lacks: as root directly, else through sudo. Where neither works it
# prints the one line to run and fails. For the tests it then fetches Google
# Benchmark's source for the Windows build (tools/fetch_benchmark_source.sh).
# Usage: tools/setup.sh run|test
set -euo pipefail

case ${1:-} in
    run) packages=(cmake make g++ libbenchmark-dev libjs-chart.js nlohmann-json3-dev) ;;
    test)
        packages=(cmake make g++ libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
                  g++-mingw-w64-x86-64 wine wine64 dpkg-dev libjs-chart.js chromium-headless-shell
                  nlohmann-json3-dev) ;;
    *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

if ! command -v dpkg-query >/dev/null; then
    # Not Debian: name what is needed and trust the rest to the user.
    for tool in cmake c++; do
        command -v "$tool" >/dev/null || { echo "$tool is missing; install CMake and a C++17 compiler" >&2; exit 1; }
    done
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
    if ((EUID == 0)); then
        sudo=()
    elif command -v sudo >/dev/null; then
        sudo=(sudo)
    else
        echo "missing packages; as root, run: apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "== installing ${missing[*]}"
    apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
    if ! { "${apt[@]}" update -qq && "${apt[@]}" install -y -qq "${missing[@]}"; }; then
        echo "could not install them; as root, run: apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
fi

if [[ $1 == test ]] && ! "$(dirname "$0")/fetch_benchmark_source.sh"; then
    [[ ${CI:-} == true ]] && exit 1
    echo "== without Google Benchmark's source, the Windows build leaves sorting_benchmark.exe out"
fi
