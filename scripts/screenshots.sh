#!/bin/sh
# Takes the pictures of the user guide (docs/guide/img/) from the running
# program: builds what it needs, makes fresh demo databases in a scratch
# folder, and runs build/bin/orvado-shots on them under Xvfb with a window
# manager, so the windows carry their real title bars. Run it again whenever
# a window changes. The user's databases, settings and history beside the
# executable are never touched: the program's files all go to the scratch
# folder, which is removed afterwards.
#
#   scripts/screenshots.sh
set -eu
cd "$(dirname "$0")/.."
ROOT=$PWD
IMG=$ROOT/docs/guide/img

scripts/install-packages.sh
# An existing build folder keeps its own options.
cmake -S "$ROOT" -B "$ROOT/build" -G Ninja >/dev/null
cmake --build "$ROOT/build" --target orvado-makedb orvado-shots
BIN=$ROOT/build/bin

WORK=$(mktemp -d "${TMPDIR:-/tmp}/orvado-shots.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
trap 'exit 130' INT TERM
mkdir -p "$WORK/lock" "$WORK/xdg" "$WORK/config" "$WORK/pictures"
chmod 700 "$WORK/xdg"
export FIREBIRD_LOCK="$WORK/lock"
export XDG_RUNTIME_DIR="$WORK/xdg"
export XDG_CONFIG_HOME="$WORK/config" # the connection alias records
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
unset QT_QPA_PLATFORM

"$BIN/orvado-makedb" demo "$WORK/AENTER.GDB" "$WORK/ORVADO.GDB" >/dev/null
# Markups as a shop sets them, so the three status panels differ.
printf '[Charges]\r\nOtherRate=1,35\r\nOptRate=1,2\r\nRoznRate=1,5\r\n' >"$WORK/Orvado.INI"
# The enterprise database is looked up in the folder the program starts in.
cd "$WORK"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  sleep 1
  rc=0
  "$0" "$1" "$2" || rc=$?
  kill $wm 2>/dev/null || true
  exit $rc
' "$BIN/orvado-shots" "$WORK/pictures" "$WORK/Orvado"

mkdir -p "$IMG"
cp "$WORK"/pictures/*.png "$IMG/"
echo "Pictures in $IMG:"
ls "$WORK/pictures"
