#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over the sources of src/, with the
# compile commands of the dev preset (configured here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/dev/compile_commands.json ] || cmake --preset dev >/dev/null
cmake --build --preset dev --target brivano_versione >/dev/null 2>&1 || true
mapfile -t files < <(find src -type f -name '*.cpp' | sort)
run-clang-tidy -quiet -p build/dev -j "$(nproc)" "${files[@]}"
