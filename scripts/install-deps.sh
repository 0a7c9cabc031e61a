#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmarks need,
# only those still missing. Needs root (or sudo).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libsqlite3-dev libicu-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    sqlite3 python3 python3-aiosmtpd
    clang libclang-rt-14-dev
    xvfb xauth
    libssl-dev openssl libsecret-1-dev gnome-keyring dbus dbus-x11 libsecret-tools
    qt6-translations-l10n python3-vobject
    clang-format clang-tidy
    desktop-file-utils appstream dpkg-dev file librsvg2-bin
    ccache
    libgmime-3.0-dev libcurl4-openssl-dev dovecot-imapd
    nlohmann-json3-dev
    postfix
    libmagic-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# The tests start a private Postfix of their own; the system one is left
# unconfigured, so installing it starts no mail server.
if [[ " ${missing[*]} " == *" postfix "* ]]; then
    echo "postfix postfix/main_mailer_type select No configuration" |
        "${sudo_cmd[@]}" debconf-set-selections
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
