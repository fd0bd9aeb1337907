#!/usr/bin/env bash
# Fetches Debian's source package of Google Benchmark 1.7.1 and unpacks it in
# build/benchmark-source, for the Windows build (Debian ships the library for
# Linux only). apt's source mechanism runs on a private sources list, index
# and cache under build/apt, so the system's apt configuration stays as it
# is; the mirror and suite are the system's own. Does nothing when the tree
# is already there.
# Usage: tools/fetch_benchmark_source.sh
set -euo pipefail
cd "$(dirname "$0")/.."

version=1.7.1-1
target=build/benchmark-source
if [[ -f $target/CMakeLists.txt && $(cat "$target/.debian-version" 2>/dev/null) == "$version" ]]; then
    exit 0
fi
for tool in apt-get dpkg-source; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install apt dpkg-dev)" >&2; exit 1; }
done

# The first Debian archive the system installs from, its release suite (not
# -updates or -security), in either format: one-line lists or deb822
# .sources stanzas.
read -r uri suite signed_by < <(
    shopt -s nullglob
    {
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [[ -f $f ]] || continue
            # deb [options] uri suite components
            sed -n 's/^[[:space:]]*deb[[:space:]]\+\(\[\([^]]*\)\][[:space:]]*\)\?\([^[:space:]]\+\)[[:space:]]\+\([^[:space:]]\+\).*/\3 \4 \2/p' "$f" |
                while read -r u s opts; do
                    key=$(sed -n 's/.*signed-by=\([^[:space:]]*\).*/\1/p' <<<"$opts")
                    echo "$u $s ${key:--}"
                done
        done
        for f in /etc/apt/sources.list.d/*.sources; do
            awk 'function flush() { if (deb && uri != "" && suite != "") print uri, suite, (key == "" ? "-" : key)
                                    deb = 0; uri = suite = key = "" }
                 /^[[:space:]]*$/ { flush(); next }
                 /^Types:/ { for (i = 2; i <= NF; ++i) if ($i == "deb") deb = 1 }
                 /^URIs:/ { uri = $2 }
                 /^Suites:/ { suite = $2 }
                 /^Signed-By:/ { key = $2 }
                 END { flush() }' "$f"
        done
    } | awk '$1 ~ /\/debian(\/|$)/ && $1 !~ /security/ && $2 !~ /-/' | head -n 1
) || true
if [[ -z ${uri:-} ]]; then
    echo "no Debian archive in /etc/apt/sources.list or /etc/apt/sources.list.d" >&2
    exit 1
fi
options=()
[[ $signed_by != - ]] && options=("[signed-by=$signed_by]")

apt_dir=$PWD/build/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts" "$apt_dir/download"
echo "deb-src ${options[*]} $uri $suite main" >"$apt_dir/sources.list"
apt=(apt-get -qq -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
     -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
     -o "Dir::State::status=/var/lib/dpkg/status" -o "APT::Sandbox::User=$(id -un)")
echo "== fetching Google Benchmark $version's Debian source from $uri $suite"
"${apt[@]}" update
(cd "$apt_dir/download" && "${apt[@]}" source --download-only "benchmark=$version")

# Unpacked beside the downloads (dpkg-source puts a copy of the upstream
# tarball next to the tree), then moved in place. apt checked the files
# against the archive's signed index; the uploader's key is not installed,
# so dpkg-source's signature warning is kept out of sight unless it fails.
rm -rf "$target" "$apt_dir/download/tree"
if ! dpkg-source -x "$apt_dir/download/benchmark_$version.dsc" "$apt_dir/download/tree" >"$apt_dir/unpack.log" 2>&1; then
    cat "$apt_dir/unpack.log" >&2
    exit 1
fi
echo "$version" >"$apt_dir/download/tree/.debian-version"
mv "$apt_dir/download/tree" "$target"
echo "== Google Benchmark source in $target"
