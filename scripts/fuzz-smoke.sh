#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time (seconds,
# default 20). A crash or a hang fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mapfile -t targets < <(find build/fuzz/fuzz -type f -name 'fuzz_*' -perm -u+x | sort)
if [ ${#targets[@]} -eq 0 ]; then
    echo "no fuzz targets"
    exit 0
fi
for t in "${targets[@]}"; do
    name=$(basename "$t")
    corpus="build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds="fuzz/seeds/$name"
    dirs=("$corpus")
    [ -d "$seeds" ] && dirs+=("$seeds")
    echo "== $name (${seconds}s)"
    "$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
        "${dirs[@]}" 2>&1 | tail -n 3
done
