#!/usr/bin/env bash
# The Debian package as a user meets it: installed with dpkg into a scratch root (never into this
# machine), its folders read-only, its sorvel-sim and its program started from there with no display,
# the program driven through a connect by a user preloaded into it (PackageDriver.cpp). Proves that the
# package holds what it should, that its program starts, reads the message table from the package,
# keeps its settings in the user's folder (where its sorvel-sim puts its port too) and connects.
#   installed-package.sh <folder with sorvel7qx3_*.deb> <driver library>
# Exit code 77 (skipped) when the folder holds no package: scripts/package makes it.
set -euo pipefail
deb="$(ls -t "$1"/sorvel7qx3_*.deb 2>/dev/null | head -1 || true)"
driver="$2"
if [ -z "$deb" ]; then
  echo "no package in $1: scripts/package makes it"
  exit 77
fi
scratch="$(mktemp -d)"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  chmod -R u+w "$scratch"
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

root="$scratch/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The libraries it needs are this machine's, not the scratch root's: their packages are not asked for.
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >"$scratch/dpkg.log" 2>&1 ||
  { cat "$scratch/dpkg.log"; fail "dpkg did not install the package"; }
for file in usr/bin/sorvel7qx3 usr/bin/sorvel-sim usr/share/sorvel7qx3/Messages.txt \
            usr/share/applications/sorvel7qx3.desktop usr/share/icons/hicolor/scalable/apps/sorvel7qx3.svg \
            usr/share/icons/hicolor/48x48/apps/sorvel7qx3.png usr/share/doc/sorvel7qx3/copyright \
            usr/share/doc/sorvel7qx3/changelog.gz usr/share/man/man1/sorvel7qx3.1.gz usr/share/man/man1/sorvel-sim.1.gz; do
  [ -s "$root/$file" ] || fail "the package installs no $file"
done
entry="$root/usr/share/applications/sorvel7qx3.desktop"
grep -qx 'Exec=sorvel7qx3' "$entry" && grep -qx 'Icon=sorvel7qx3' "$entry" && grep -q '^Categories=Utility;' "$entry" ||
  fail "the menu entry does not start sorvel7qx3 with its icon among the tools"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "the package does not depend on Qt's widgets"
[ -z "$(dpkg --root="$root" --audit 2>&1)" ] || fail "dpkg finds the installed package broken"

# Read-only for whoever runs it: the superuser is kept to the folders' rights by giving up its override.
chmod -R a-w "$root/usr"
run=()
[ "$(id -u)" -eq 0 ] && run=(setpriv --bounding-set -dac_override,-dac_read_search,-fowner --)
export HOME="$scratch/home"
unset XDG_CONFIG_HOME SORVEL_APP_DIR
mkdir -p "$HOME"
user="$HOME/.config/sorvel7qx3"
"${run[@]}" "$root/usr/bin/sorvel-sim" >"$scratch/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  [ -e "$user/ports/sorvel-sim" ] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
[ -e "$user/ports/sorvel-sim" ] || { cat "$scratch/sim.log"; fail "sorvel-sim put no port into $user/ports"; }

status=0
timeout 60 "${run[@]}" env QT_QPA_PLATFORM=offscreen LD_PRELOAD="$driver" "$root/usr/bin/sorvel7qx3" \
  >"$scratch/program.log" 2>&1 || status=$?
grep 'package driver:' "$scratch/program.log" || true
[ "$status" -eq 0 ] || { cat "$scratch/program.log"; fail "the program ended with exit code $status"; }
grep -q 'package driver: the connection' "$scratch/program.log" || fail "the program never connected"
[ -f "$user/current.ini" ] || fail "no current.ini in the user's folder $user"
grep -q '^\[FormConnect\]' "$user/current.ini" || fail "current.ini holds no connect settings"
[ ! -e "$user/Messages.txt" ] || fail "the message table was copied into the user's folder"
[ -z "$(find "$root/usr" -newer "$deb" -type f)" ] || fail "the program wrote beside itself"
echo "the installed program started, read its message table, kept its settings in $user and connected"
