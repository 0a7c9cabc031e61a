#!/usr/bin/env bash
# Fails when Qt appears outside window code: the core libraries stay plain C++.
set -euo pipefail
cd "$(dirname "$0")/.."
core=(src/text src/dialogs src/exception src/config src/archive src/smtp src/mailing src/keyring src/workflow
    src/posta src/tools)
bad=$(grep -rlE '#include *[<"]Q' "${core[@]}" 2>/dev/null || true)
if [ -n "$bad" ]; then
    echo "Qt include outside window code:"
    echo "$bad"
    exit 1
fi
echo "no Qt outside window code"
