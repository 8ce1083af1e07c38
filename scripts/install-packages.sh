#!/bin/sh
# Installs every Debian package the build, the demo and the tests need.
# Safe to run again: apt-get skips what is already there.
set -eu
PACKAGES="cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libqt6sql6-ibase qt6-translations-l10n
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-server firebird3.0-utils
  fonts-dejavu-core fonts-liberation2 xvfb xauth x11-utils imagemagick openbox
  dpkg-dev lintian desktop-file-utils appstream strace"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
# The server package asks for a SYSDBA password; answer it up front so the
# install never stops at a prompt.
echo "firebird3.0-server shared/firebird/sysdba_password/first_install password masterkey" | $SUDO debconf-set-selections
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $missing
# The Debian server package starts a system-wide server; the program and the
# tests open their files through the embedded engine or a private server.
if command -v service >/dev/null 2>&1; then $SUDO service firebird3.0 stop >/dev/null 2>&1 || true; fi
exit 0
