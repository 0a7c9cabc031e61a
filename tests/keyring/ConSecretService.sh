#!/bin/sh
# Runs a program inside a private session bus with a Secret Service of its
# own: gnome-keyring-daemon with a fresh keyring in a temporary folder,
# unlocked with a throwaway password. The daemon is ended by its process id.
set -u
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir -m 700 "$dir/run"
export XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config" XDG_RUNTIME_DIR="$dir/run" HOME="$dir"
unset DISPLAY WAYLAND_DISPLAY
dbus-run-session -- sh -c '
    printf "portachiavi-di-prova" |
        gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null 2>&1 &
    daemon=$!
    # Until the daemon owns the name; a call before that would start a
    # second, locked daemon through bus activation.
    i=0
    until dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
            grep -q "boolean true"; do
        i=$((i + 1))
        if [ $i -gt 100 ]; then echo "Secret Service did not start" >&2; kill $daemon; exit 1; fi
        sleep 0.1
    done
    "$@"
    rc=$?
    kill $daemon
    wait $daemon
    exit $rc
' sh "$@"
