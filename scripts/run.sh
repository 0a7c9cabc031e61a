#!/usr/bin/env bash
# Builds the optimised program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target brivano
exec ./build/release/src/app/brivano "$@"
