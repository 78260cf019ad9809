#!/usr/bin/env bash
# The installed layout end to end: cmake --install into a temporary prefix, then the installed
# programs with a fresh home and no XDG variables: rm42ctl (no --ini) checks rm42-sim and makes
# the user's INI from the shipped default, writes its type names into the user's data folder,
# and the window starts offscreen for a picture.
#
#   InstallTest.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
sim_pid=
cleanup() { [ -z "$sim_pid" ] || { kill "$sim_pid"; wait "$sim_pid"; } 2>/dev/null || true; rm -rf "$tmp"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
bin=$tmp/usr/bin
share=$tmp/usr/share/rm42meter
for f in rm42meter rm42ctl rm42-sim; do [ -x "$bin/$f" ] || fail "$f not installed"; done
for f in rm42meter.ini Title.jpg logo.jpg templete_1.html "templete_2(ENG).html" emissivity_list.csv; do
  [ -f "$share/$f" ] || fail "share/rm42meter/$f not installed"
done
grep -q '^Port=/dev/ttyUSB0' "$share/rm42meter.ini" || fail "the shipped INI names no real port"
[ -s "$tmp/usr/share/icons/hicolor/48x48/apps/rm42meter.png" ] || fail "no 48x48 icon"
ls "$tmp/usr/share/man/man1/rm42ctl.1.gz" "$tmp/usr/share/applications/"*.desktop \
  "$tmp/usr/share/metainfo/"*.metainfo.xml >/dev/null

# One version number everywhere.
version=$("$bin/rm42ctl" --version)
[[ $version =~ ^rm42ctl\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "rm42ctl --version: $version"
for f in rm42-sim rm42meter; do [ "$("$bin/$f" --version)" = "$f ${version#rm42ctl }" ] || fail "$f --version differs"; done

export HOME=$tmp/home
mkdir -p "$HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME
"$bin/rm42-sim" --link "$tmp/sim.tty" --serial 24681357 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$tmp/sim.tty" ] && break; sleep 0.05; done

out=$("$bin/rm42ctl" --port "$tmp/sim.tty" check 2>&1) || fail "rm42ctl check: $out"
[[ $out == *"Serial No.: 00246810357"* ]] || fail "rm42ctl check printed: $out"
cmp -s "$HOME/.config/rm42meter/rm42meter.ini" "$share/rm42meter.ini" || fail "the user's INI is not the default"
"$bin/rm42ctl" --port "$tmp/sim.tty" typename set Probe >/dev/null 2>&1 || fail "rm42ctl typename set"
grep -q Probe "$HOME/.local/share/rm42meter/hardname.rm4" || fail "type names not in the user's data folder"

# The window, with the user's INI pointed at the simulator as a user would edit it.
sed -i "s|^Port=.*|Port=$tmp/sim.tty|" "$HOME/.config/rm42meter/rm42meter.ini"
QT_QPA_PLATFORM=offscreen timeout 60 "$bin/rm42meter" --no-title --screenshot "$tmp/shot.png" \
  || fail "rm42meter ended with $?"
[ -s "$tmp/shot.png" ] || fail "no screenshot"
echo "installed layout: ok"
