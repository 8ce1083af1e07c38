#!/bin/sh
# Makes the Debian package build/orvado_<version>_amd64.deb: builds the
# program, orvado-makedb, the guide and the package's files in build/ (the
# same tree the tests use, built with Debian's hardening flags), then CPack's
# DEB generator installs them into a staging folder of its own, strips the
# binaries, works out the library dependencies with dpkg-shlibdeps and packs.
#
#   scripts/package.sh        prints the package's path when done
set -eu
cd "$(dirname "$0")/.."
scripts/install-packages.sh
scripts/build.sh Orvado orvado-makedb guide packagefiles
cd build
rm -f orvado_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
ls "$PWD"/orvado_*_amd64.deb
