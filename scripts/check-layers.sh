#!/usr/bin/env bash
# Fails when code reaches up the layers. The facts come from the build itself,
# configured into a scratch folder: which target links which (cmake --graphviz),
# which files each target compiles (compile_commands.json) and which headers it
# shows to the code above (its generated include folder). The table below is
# the rule: what a folder's targets may link besides their own folder; a
# target's own row, where present, narrows its folder's. Every #include in src/,
# however spelled ("folder/X.h", "X.h", "../folder/X.h", <folder/X.h>), must
# name a header of the including target or of a target it links.
set -euo pipefail
cd "$(dirname "$0")/.."
core="text exception dialogs config basedati archive mailing smtp keyring"
windows="addressbook maintenance mailing_window account_window history_window inbox_window"
declare -A allowed=(
    [text]="" [exception]="" [dialogs]="" [basedati]="" [keyring]=""
    [config]="text"
    [archive]="text config dialogs basedati"
    [mailing]="text exception"
    [smtp]="text exception mailing"
    [brivano_smtp]="text exception"
    [workflow]="$core"
    [posta]="$core workflow"
    [primouso]=""
    [tools]="$core workflow posta primouso"
    [ui]="$core workflow"
    [app]="$core workflow posta primouso ui $windows"
)
for window in $windows; do allowed[$window]="$core workflow posta ui"; done

build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
printf 'set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)\nset(GRAPHVIZ_GENERATE_DEPENDERS FALSE)\n' \
    >"$build/CMakeGraphVizOptions.cmake"
if ! cmake -S . -B "$build" -G Ninja -DBRIVANO_TESTS=OFF -DBRIVANO_WITH_WINDOWS=ON \
    --graphviz="$build/targets.dot" >"$build/configure.log" 2>&1; then
    cat "$build/configure.log"
    exit 1
fi

declare -A folder_of compiled_by shown_by links closure orphan
# Files each target compiles, and the target's folder, from the object paths.
while IFS=$'\t' read -r target folder file; do
    folder_of[$target]=$folder
    compiled_by[$file]+=" $target"
done < <(sed -nE 's|.* -o src/([a-z_]+)/CMakeFiles/([^ /]+)\.dir/.* -c '"$PWD"'/(src/[^ "]+).*|\2\t\1\t\3|p' \
    "$build/compile_commands.json")
# Headers each target shows; header-only targets are known by this alone.
while IFS= read -r link; do
    rest=${link#"$build"/src/}
    folder=${rest%%/*}
    rest=${rest#*/include/}
    target=${rest%%/*}
    folder_of[$target]=$folder
    shown=$(readlink "$link")
    shown_by[src/${shown#"$PWD"/src/}]+=" $target"
done < <(find "$build/src" -path '*/include/*' -type l)
# Links between targets of src/; the rest (toolkits, build settings) are not layered.
while read -r from to; do
    [ -n "${folder_of[$from]-}" ] && [ -n "${folder_of[$to]-}" ] && links[$from]+=" $to"
done < <(sed -nE 's|.*// ([^ ]+) -> ([^ ]+)$|\1 \2|p' "$build/targets.dot")

status=0
fail() {
    echo "$1"
    status=1
}

# Every target's links, direct and through others.
for target in "${!folder_of[@]}"; do
    reached=" " pending=(${links[$target]-})
    while [ ${#pending[@]} -gt 0 ]; do
        next=${pending[-1]}
        unset 'pending[-1]'
        [[ $reached == *" $next "* ]] && continue
        reached+="$next "
        pending+=(${links[$next]-})
    done
    closure[$target]=$reached
    [[ $reached == *" $target "* ]] && fail "$target links itself through other targets"
done

for target in "${!links[@]}"; do
    folder=${folder_of[$target]}
    if [ -z "${allowed[$target]+set}" ] && [ -z "${allowed[$folder]+set}" ]; then
        fail "src/$folder has no row in the layer table of scripts/check-layers.sh"
        continue
    fi
    row=${allowed[$target]-${allowed[$folder]}}
    for used in ${links[$target]}; do
        if [ "${folder_of[$used]}" != "$folder" ] && [[ " $row " != *" ${folder_of[$used]} "* ]]; then
            fail "$target (src/$folder) may not link $used (src/${folder_of[$used]})"
        fi
    done
done

# Resolves a spelled include against the including file's folder, then src/.
resolve() {
    local spelled=$1 from_dir=$2 part
    local -a parts=()
    REPLY=
    if [ "$3" = '"' ]; then
        local IFS=/
        for part in $from_dir/$spelled; do
            case $part in
                '' | .) ;;
                ..) [ ${#parts[@]} -gt 0 ] && unset 'parts[-1]' ;;
                *) parts+=("$part") ;;
            esac
        done
        [ -f "${parts[*]}" ] && REPLY=${parts[*]} && return
    fi
    [ -f "src/$spelled" ] && REPLY=src/$spelled
    return 0
}

while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    [[ $rest =~ include[[:space:]]*([\"\<])([^\">]+) ]] || continue
    resolve "${BASH_REMATCH[2]}" "$(dirname "$file")" "${BASH_REMATCH[1]}"
    [ -n "$REPLY" ] || continue
    included=$REPLY
    owners=${compiled_by[$file]-}${shown_by[$file]-}
    if [ -z "$owners" ]; then
        [ -n "${orphan[$file]-}" ] || fail "$file belongs to no target"
        orphan[$file]=1
        continue
    fi
    givers=${shown_by[$included]-}
    [ -n "$givers" ] || {
        fail "$file:$line: $included is shown by no target"
        continue
    }
    for owner in $owners; do
        ok=0
        for giver in $givers; do
            [[ $giver == "$owner" || ${closure[$owner]} == *" $giver "* ]] && ok=1
        done
        [ $ok -eq 1 ] || fail "$file:$line: $owner may not include $included (of$givers, which it does not link)"
    done
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' src --include='*.cpp' --include='*.h')

[ "$status" -eq 0 ] && echo "layers: every include and link runs downwards"
exit "$status"
