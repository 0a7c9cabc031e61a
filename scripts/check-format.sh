#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what clang-format makes of it
# (style in .clang-format). Fix with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find src tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
clang-format --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files clean"
