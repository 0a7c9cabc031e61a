#!/usr/bin/env bash
# Fails when a core folder includes a folder above it: dependencies run one
# way, from the windows down to the text helpers. Each folder lists what it may
# include and link besides itself.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A allowed=(
    [text]=""
    [exception]=""
    [dialogs]=""
    [config]="text"
    [basedati]=""
    [archive]="text config dialogs basedati"
    [mailing]="text exception"
    [smtp]="text exception mailing"
    [keyring]=""
    [workflow]="text exception dialogs config basedati archive mailing smtp keyring"
    [posta]="text exception dialogs config basedati archive mailing smtp keyring workflow"
)
status=0
for folder in "${!allowed[@]}"; do
    [ -d "src/$folder" ] || continue
    while IFS= read -r hit; do
        used=${hit#*#include \"}
        used=${used%%/*}
        if [ "$used" != "$folder" ] && [[ " ${allowed[$folder]} " != *" $used "* ]]; then
            echo "src/$folder may not include $used: $hit"
            status=1
        fi
    done < <(grep -rnE '#include "[a-z_]+/' "src/$folder" || true)
    # The folder's targets link only targets of the folders it may include.
    for target in $(grep -oE 'brivano_[a-z_]+' "src/$folder/CMakeLists.txt" | sort -u); do
        used=${target#brivano_}
        [ "$used" = smtp_session ] && used=smtp
        case $used in warnings | library) continue ;; esac
        if [ "$used" != "$folder" ] && [[ " ${allowed[$folder]} " != *" $used "* ]]; then
            echo "src/$folder/CMakeLists.txt may not link $target"
            status=1
        fi
    done
done
[ "$status" -eq 0 ] && echo "layers: every include and link runs downwards"
exit "$status"
