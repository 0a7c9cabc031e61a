#!/usr/bin/env bash
# Fails when Qt appears outside window code: the core libraries stay plain C++.
set -euo pipefail
cd "$(dirname "$0")/.."
core=(src/dialogs src/config src/archive src/smtp)
# The mailing folder holds both the message code (plain) and its window (F_Agenda*).
bad=$(grep -rlE '#include *<Q|#include *"Q' "${core[@]}" 2>/dev/null || true)
bad+=$(grep -rlE '#include *<Q|#include *"Q' src/mailing 2>/dev/null | grep -v '/F_Agenda' || true)
if [ -n "$bad" ]; then
    echo "Qt include outside window code:"
    echo "$bad"
    exit 1
fi
echo "no Qt outside window code"
