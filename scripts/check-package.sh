#!/usr/bin/env bash
# Builds the Debian package from the release preset, installs it on this
# machine, runs the installed programs and the validators on the installed
# desktop entry and metainfo, and removes the package again. Needs root (or
# sudo); the package must not be installed already.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
rm -rf build/release/pacchetto
cpack --config build/release/CPackConfig.cmake -G DEB -B build/release/pacchetto
deb=$(find build/release/pacchetto -maxdepth 1 -name 'brivano_*.deb')
[ -n "$deb" ] || { echo "no package built"; exit 1; }
dpkg-deb --info "$deb"
# Every library an installed program names, linked or loaded on first use (the
# file names it hands the loader), comes from a package the Depends name.
depends=" $(dpkg-deb -f "$deb" Depends | sed -E 's/ *\([^)]*\)//g; s/ *[,|] */ /g') "
bin=$(mktemp -d)
dpkg-deb -x "$deb" "$bin"
for soname in $(strings -a "$bin"/usr/bin/* | grep -E '^lib[A-Za-z0-9_+.-]+[.]so[.][0-9]+$' | sort -u); do
    # awk reads to the end: leaving early would stop ldconfig with SIGPIPE,
    # which pipefail turns into a failure of the whole check.
    file=$(ldconfig -p | awk -v s="$soname" '$1 == s && !found { print $NF; found = 1 }')
    [ -n "$file" ] || { echo "$soname: not on this machine"; exit 1; }
    real=$(readlink -f "$file")
    # With /lib merged into /usr/lib a package may own either spelling.
    owner=$(dpkg-query -S "$real" 2>/dev/null || dpkg-query -S "${real#/usr}" 2>/dev/null) ||
        { echo "$soname: no package owns $real"; exit 1; }
    owner=${owner%%:*}
    [[ $depends == *" $owner "* ]] || { echo "$soname ($owner) is missing from Depends"; exit 1; }
done
rm -rf "$bin"

if dpkg-query -W -f='${Status}' brivano 2>/dev/null | grep -q "install ok installed"; then
    echo "brivano is already installed: not touching it"
    exit 1
fi
"${sudo_cmd[@]}" apt-get install -y -qq "./$deb"
trap '"${sudo_cmd[@]}" apt-get remove -y -qq brivano' EXIT

version=$(dpkg-deb -f "$deb" Version)
test "$(/usr/bin/brivano --version)" = "Brivano $version"
test "$(/usr/bin/brivano-rubrica --version)" = "Brivano $version"
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/brivano-rubrica --help | grep '^Uso: brivano-rubrica' > /dev/null
# Every installed command answers --help without a display.
while read -r program; do
    echo "== $program --help"
    env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help > /dev/null
done < <(dpkg -L brivano | grep '^/usr/bin/.')
for page in $(dpkg -L brivano | grep '^/usr/bin/.' | xargs -n1 basename); do
    test -f "/usr/share/man/man1/$page.1"
done
desktop-file-validate /usr/share/applications/it.koraldi.Brivano.desktop
appstreamcli validate --no-net /usr/share/metainfo/it.koraldi.Brivano.metainfo.xml
test -f /usr/share/icons/hicolor/scalable/apps/it.koraldi.Brivano.svg
test -f /usr/share/icons/hicolor/48x48/apps/it.koraldi.Brivano.png
# The timer of the scheduled runs ships, off until the user turns it on.
test -f /usr/lib/systemd/user/brivano-invio.timer
grep -q '^ExecStart=brivano-invio esegui-programmati$' /usr/lib/systemd/user/brivano-invio.service
echo "package checked: $deb"
