#!/usr/bin/env bash
# Proves the layer check catches what it is for: in a scratch copy of the tree,
# the SMTP transport includes a header of the SMTP session built over it (the
# same folder, spelled without it, so the compiler alone would let it through)
# and the mail unit links the transport; the check must fail naming both.
set -euo pipefail
cd "$(dirname "$0")/.."
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
tar -c --exclude=./build --exclude=./.git . | tar -x -C "$copy"
echo '#include "IdSMTP.h"' >>"$copy/src/smtp/IdBuffer.cpp"
echo 'target_link_libraries(brivano_mailing PRIVATE brivano_smtp)' >>"$copy/src/mailing/CMakeLists.txt"
if out=$(bash "$copy/scripts/check-layers.sh" 2>&1); then
    echo "layer check passed a tree with a wrong-way include and link"
    exit 1
fi
status=0
for expected in "IdBuffer.cpp:[0-9]*: brivano_smtp may not include src/smtp/IdSMTP.h" \
    "brivano_mailing (src/mailing) may not link brivano_smtp (src/smtp)"; do
    grep -q "$expected" <<<"$out" || {
        echo "layer check did not report: $expected"
        status=1
    }
done
[ "$status" -eq 0 ] || echo "$out"
[ "$status" -eq 0 ] && echo "layer check: the planted include and link are caught"
exit "$status"
