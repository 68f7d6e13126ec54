#!/usr/bin/env bash
# Builds the settings-file fuzz target (clang, libFuzzer, address and
# undefined-behaviour sanitizers) in build/fuzz and runs it for a bounded time.
#   scripts/fuzz-config.sh [seconds] [more libFuzzer options...]
# Exits non-zero when the target finds a crash or a broken round trip; the
# input that did it is left in build/fuzz/ as crash-*.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-45}
shift $(( $# > 0 ? 1 : 0 ))
build="$root/build/fuzz"

cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"

# New inputs go to the build folder; the seeds in the tree are only read.
mkdir -p "$build/corpus"
export ZELVANE_FUZZ_DIR="$build/work"
"$build/config_fuzz" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=4096 \
  -dict="$root/tests/fuzz/config.dict" -artifact_prefix="$build/" -print_final_stats=1 "$@" "$build/corpus" "$root/tests/fuzz/corpus"
