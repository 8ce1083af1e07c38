#!/bin/sh
# Installs what is needed, builds the program, the guide beside it and the
# demo-database tool (the tests are the test command's), creates the demo
# databases when they are missing and starts the program on them. The
# enterprise file AENTER.GDB is looked up in the folder the program starts in
# and ORVADO.GDB beside the executable, so both lie in build/bin and the
# program starts there.
set -eu
cd "$(dirname "$0")/.."
scripts/install-packages.sh
scripts/build.sh Orvado guide orvado-makedb
BIN="$PWD/build/bin"
export FIREBIRD_LOCK="$PWD/build/firebird-lock"
mkdir -p "$FIREBIRD_LOCK"
if [ ! -f "$BIN/AENTER.GDB" ] || [ ! -f "$BIN/ORVADO.GDB" ]; then
  rm -f "$BIN/AENTER.GDB" "$BIN/ORVADO.GDB"
  "$BIN/orvado-makedb" demo "$BIN/AENTER.GDB" "$BIN/ORVADO.GDB"
fi
# The counter desks this is made for run under Russian regional settings.
export LANG="${LANG:-ru_RU.UTF-8}"
[ "$LANG" = "C.UTF-8" ] && export LANG=ru_RU.UTF-8
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$PWD/build/xdg"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fi
cd "$BIN"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display (DISPLAY is not set): run it on a virtual one with  xvfb-run -a scripts/run-demo.sh" >&2
  exit 1
fi
exec ./Orvado
