#!/bin/sh
# Builds the Debian package and checks it as a desk gets it: its files, its
# dependencies, the menu entry, the AppStream metadata, lintian, the binaries'
# hardening; then unpacks it into a scratch root and starts the package's own
# binary there, as an ordinary user with a fresh home and as root, under
# QT_QPA_PLATFORM=offscreen. A desk driver (tests/package/DeskDriver.cpp,
# a plugin the program's toolkit loads) looks a part up, asks for the guide
# and closes the window, reporting what it saw. Needs root (it makes a user).
set -u
cd "$(dirname "$0")/.."
SRC=$PWD
passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok: $*"; }
bad() { failed=$((failed + 1)); echo "FAIL: $*" >&2; }
check() { # check "what" command...
  what=$1; shift
  if "$@" >/dev/null 2>&1; then ok "$what"; else bad "$what"; fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

[ "$(id -u)" -eq 0 ] || { echo "test-package.sh makes a test user and needs root" >&2; exit 1; }
DEB=$(scripts/package.sh | tail -n 1) || { bad "the package is made"; finish; }
ok "the package is made: $DEB"
cmake --build build --target deskdriver >/dev/null || { bad "the desk driver builds"; finish; }
VERSION=$(sed -n 's/^project(Orvado VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
case $DEB in */build/orvado_${VERSION}_amd64.deb) ok "named orvado_${VERSION}_amd64.deb in build/" ;; *) bad "package name $DEB" ;; esac

SCRATCH=$(mktemp -d /tmp/orvado-package.XXXXXX)
DESK=orvado-desk-test
cleanup() {
  userdel "$DESK" 2>/dev/null
  rm -rf "$SCRATCH"
}
trap cleanup EXIT
chmod 755 "$SCRATCH"
ROOT=$SCRATCH/root

# ---- what the package holds ---------------------------------------------------
dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./|/|' >"$SCRATCH/files"
for f in /usr/bin/Orvado /usr/bin/orvado-makedb /usr/share/orvado/guide/index.html \
         /usr/share/orvado/enterprise-reader.sql /usr/share/orvado/price-desk.sql \
         /usr/share/applications/ru.tovrin.Orvado.desktop /usr/share/metainfo/ru.tovrin.Orvado.metainfo.xml \
         /usr/share/icons/hicolor/48x48/apps/orvado.png /usr/share/icons/hicolor/scalable/apps/orvado.svg \
         /usr/share/man/man1/Orvado.1.gz /usr/share/man/man1/orvado-makedb.1.gz \
         /usr/share/doc/orvado/copyright /usr/share/doc/orvado/changelog.gz /etc/orvado/Orvado.INI; do
  check "the package holds $f" grep -qx "$f" "$SCRATCH/files"
done
# Nothing of a user's or a desk's: no settings beside the binary, no history,
# no database (the postinst makes the desk's), nothing in a home.
if grep -E '^/(home|root|var)/|SearchedNum|\.GDB$|/usr/bin/Orvado\.INI' "$SCRATCH/files"; then
  bad "the package holds no user's or desk's file"
else
  ok "the package holds no user's or desk's file"
fi
check "the guide's pictures are there" grep -q '^/usr/share/orvado/guide/img/.*\.png$' "$SCRATCH/files"

DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
for p in libqt6widgets6 libqt6gui6 libqt6core6 libfbclient2 firebird3.0-server-core qt6-translations-l10n \
         fonts-dejavu-core fonts-liberation2 adduser; do
  case ", $DEPENDS," in *", $p "*|*", $p,"*) ok "depends on $p" ;; *) bad "depends on $p" ;; esac
done
case ", $DEPENDS," in *", firebird3.0-server "*|*", firebird3.0-server,"*) bad "does not depend on the server" ;;
  *) ok "does not depend on the server" ;; esac
mkdir -p "$SCRATCH/control"
dpkg-deb -e "$DEB" "$SCRATCH/control"
check "the shop-wide file is a conffile" grep -qx /etc/orvado/Orvado.INI "$SCRATCH/control/conffiles"
check "postinst is executable" test -x "$SCRATCH/control/postinst"

dpkg-deb -x "$DEB" "$ROOT"
check "the menu entry passes desktop-file-validate" \
  desktop-file-validate "$ROOT/usr/share/applications/ru.tovrin.Orvado.desktop"
check "the menu entry has a Russian name, comment and category Office" sh -c \
  "grep -q '^Name\[ru\]=' \"\$1\" && grep -q '^Comment\[ru\]=Поиск детали' \"\$1\" && grep -q '^Categories=Office;' \"\$1\" && grep -qx 'Icon=orvado' \"\$1\"" \
  sh "$ROOT/usr/share/applications/ru.tovrin.Orvado.desktop"
check "the AppStream metadata passes appstreamcli validate" \
  appstreamcli validate --no-net "$ROOT/usr/share/metainfo/ru.tovrin.Orvado.metainfo.xml"
check "the AppStream metadata carries the version" \
  grep -q "release version=\"$VERSION\"" "$ROOT/usr/share/metainfo/ru.tovrin.Orvado.metainfo.xml"
check "the shop-wide template is Windows-1251 text" sh -c "iconv -f WINDOWS-1251 -t UTF-8 \"\$1\" | grep -q 'Общие настройки'" \
  sh "$ROOT/etc/orvado/Orvado.INI"
check "the shop-wide template sets no key" sh -c "! grep -v -E '^[[:space:]]*(;|\[|$)' \"\$1\"" sh "$ROOT/etc/orvado/Orvado.INI"

# lintian: no error, and no warning but the ones the README gives a reason for.
lintian --pedantic "$DEB" >"$SCRATCH/lintian" 2>/dev/null
cat "$SCRATCH/lintian"
if grep -E '^[EW]: ' "$SCRATCH/lintian" | grep -v -E '^W: orvado: national-encoding \[etc/orvado/Orvado.INI\]$'; then
  bad "lintian: no error and no unexplained warning"
else
  ok "lintian: no error and no unexplained warning"
fi

for exe in Orvado orvado-makedb; do
  bin=$ROOT/usr/bin/$exe
  check "$exe is stripped" sh -c "! readelf -S \"\$1\" | grep -q -E '\.symtab|\.debug_|\.comment'" sh "$bin"
  check "$exe is a PIE" sh -c "readelf -h \"\$1\" | grep -q 'DYN (Position-Independent'" sh "$bin"
  check "$exe has full RELRO" sh -c "readelf -lW \"\$1\" | grep -q GNU_RELRO && readelf -d \"\$1\" | grep -q BIND_NOW" sh "$bin"
  check "$exe has the stack protector" sh -c "readelf --dyn-syms -W \"\$1\" | grep -q __stack_chk_fail" sh "$bin"
done

# ---- the desk: the unpacked package as the postinst leaves it ----------------
if ! id "$DESK" >/dev/null 2>&1; then
  useradd --no-create-home --home-dir /nonexistent --shell /bin/sh --user-group "$DESK" ||
    { bad "a desk user is made"; finish; }
fi
DESK_GROUP=$(id -gn "$DESK")
PLUGINS=$SCRATCH/plugins
mkdir -p "$PLUGINS/generic" "$ROOT/srv" "$ROOT/var/lib/orvado"
cp build/testplugins/generic/libdeskdriver.so "$PLUGINS/generic/"
chmod -R a+rX "$PLUGINS"
FIREBIRD_LOCK=$SCRATCH/lock-root "$ROOT/usr/bin/orvado-makedb" demo "$ROOT/srv/AENTER.GDB" \
  "$ROOT/var/lib/orvado/ORVADO.GDB" >/dev/null 2>&1 || bad "the unpacked orvado-makedb makes the demo databases"
# As postinst: the price database is the desk group's; the shop-wide file
# readable by root and that group only.
chgrp "$DESK_GROUP" "$ROOT/var/lib/orvado" "$ROOT/var/lib/orvado/ORVADO.GDB" "$ROOT/etc/orvado/Orvado.INI"
chmod 2775 "$ROOT/var/lib/orvado"
chmod 0660 "$ROOT/var/lib/orvado/ORVADO.GDB"
chmod 0640 "$ROOT/etc/orvado/Orvado.INI"
chmod 0644 "$ROOT/srv/AENTER.GDB"
chown "$DESK" "$ROOT/srv/AENTER.GDB"
SHOP=$ROOT/etc/orvado/Orvado.INI
cp "$SHOP" "$SCRATCH/template.ini"
sed -i "s|^;AEDir=.*|AEDir=$ROOT/srv/AENTER.GDB|" "$SHOP"

# desk_run NAME USER [VAR=value ...]: starts the program as USER with a fresh
# home $SCRATCH/NAME and the start folder there, as the menu would, traced
# for every file it touches; the driver's report goes to $SCRATCH/NAME.report.
desk_run() {
  name=$1 user=$2; shift 2
  home=$SCRATCH/$name
  mkdir -p "$home" "$SCRATCH/$name-run"
  chown "$user" "$home" "$SCRATCH/$name-run"
  chmod 700 "$home" "$SCRATCH/$name-run"
  : >"$SCRATCH/$name.report"
  chmod 666 "$SCRATCH/$name.report"
  exe=${EXE:-$ROOT/usr/bin/Orvado}
  (cd "$home" && timeout 120 strace -f -qq -e trace=%file -o "$SCRATCH/$name.trace" \
    setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups \
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=ru_RU.UTF-8 XDG_RUNTIME_DIR="$SCRATCH/$name-run" \
    QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$PLUGINS" QT_QPA_GENERIC_PLUGINS=deskdriver \
    ORVADO_DRIVE_REPORT="$SCRATCH/$name.report" "$@" "$exe") >"$SCRATCH/$name.out" 2>&1
  echo "-- $name:"; sed 's/^/   /' "$SCRATCH/$name.report"
}
said() { grep -qxF "$2" "$SCRATCH/$1.report"; }
said_like() { grep -q -- "$2" "$SCRATCH/$1.report"; }

# 1. An ordinary user's first start from the menu, the shop-wide file naming
# the accounting database.
desk_run first "$DESK" ORVADO_DRIVE_NUMBER=K20TT
H=$SCRATCH/first
check "user: the main window comes up" said first "window: Остатки по складу"
check "user: the window carries the program's icon" said first "icon: yes"
check "user: no message and no file dialog at the start" sh -c "! grep -q -E '^(box|dialog):' '$SCRATCH/first.report'"
check "user: the lookup shows the stock" sh -c "grep -q '^stock: [0-9]' '$SCRATCH/first.report'"
check "user: the lookup shows the part's name" said_like first "^status: .*Свеча зажигания"
check "user: the guide is the package's" said first "open: $ROOT/usr/share/orvado/guide/index.html"
check "user: the window closed normally" said first "done"
check "user: the history lands in the user's data folder" grep -q K20TT "$H/.local/share/Orvado/SearchedNum.log"
check "user: the alias records land in the user's config folder" test -f "$H/.config/Orvado/aliases.ini"
check "user: no password is written" sh -c "! grep -r -q -i -E 'password|kavuntelo' '$H'"
check "user: the lock folder is the user's own" sh -c "test -d '$SCRATCH/first-run/orvado-firebird' && test \"\$(stat -c %U '$SCRATCH/first-run/orvado-firebird')\" = '$DESK'"
check "user: nothing lands beside the executable" sh -c "test \"\$(ls '$ROOT/usr/bin')\" = \"\$(printf 'Orvado\norvado-makedb')\""
check "user: the shop-wide file is left as it was" sh -c "grep -qx 'AEDir=$ROOT/srv/AENTER.GDB' '$SHOP' && test \$(grep -c . '$SHOP') -eq \$(grep -c . '$SCRATCH/template.ini')"
# Nothing of the machine's own copy, had it one: every path of the program's
# files the process touched lies in the scratch root (and the trace did see
# the program read the root's files).
check "user: the trace shows the scratch root's shop-wide file read" grep -qF "\"$SHOP\"" "$SCRATCH/first.trace"
if grep -E '"(/etc/orvado|/usr/share/orvado|/var/lib/orvado|/usr/bin/Orvado|/usr/bin/orvado-makedb)' "$SCRATCH/first.trace"; then
  bad "user: nothing is read from the machine's installed copy"
else
  ok "user: nothing is read from the machine's installed copy"
fi

# 2. Neither settings file names the accounting database: the file dialog
# asks, and the pick goes to the user's own settings file.
cp "$SCRATCH/template.ini" "$SHOP"
desk_run asks "$DESK" ORVADO_DRIVE_NUMBER=K20TT ORVADO_DRIVE_PICK="$ROOT/srv/AENTER.GDB"
check "user, nothing named: the file dialog asks for the accounting database" said asks "dialog: Укажите путь к файлу AEnter.gdb"
check "user, nothing named: the lookup works on the picked file" sh -c "grep -q '^stock: [0-9]' '$SCRATCH/asks.report'"
check "user, nothing named: the pick is written to the user's settings file" \
  grep -q "^AEDir=$ROOT/srv/AENTER.GDB" "$SCRATCH/asks/.config/Orvado/Orvado.INI"
check "user, nothing named: the shop-wide file is untouched" cmp -s "$SHOP" "$SCRATCH/template.ini"
sed -i "s|^;AEDir=.*|AEDir=$ROOT/srv/AENTER.GDB|" "$SHOP"

# 3. The start-up box names the real reason.
mkdir -p "$SCRATCH/lock-of-root"
desk_run lockfolder "$DESK" FIREBIRD_LOCK="$SCRATCH/lock-of-root"
check "a lock folder the user cannot write is named in the start-up box" \
  said_like lockfolder "^box: Ошибка открытия базы Автопредприятия | Проверьте правильность пути к файлу AEnter.gdb в файле Orvado.INI | Папка блокировок Firebird $SCRATCH/lock-of-root"
chmod 0600 "$ROOT/var/lib/orvado/ORVADO.GDB"
desk_run rights "$DESK"
check "a price database the user may not write is named in the start-up box" \
  said_like rights "^box: Ошибка открытия базы Tovrin Прайс-лист | .* | Нет прав на чтение и запись файла $ROOT/var/lib/orvado/ORVADO.GDB у пользователя $DESK"
chmod 0660 "$ROOT/var/lib/orvado/ORVADO.GDB"
# Two processes, each with a lock folder of its own: the engine's exclusive
# lock on the file keeps the second one off.
desk_run holder "$DESK" ORVADO_DRIVE_HOLD=20 &
holder=$!
for _ in $(seq 1 100); do grep -q '^window:' "$SCRATCH/holder.report" 2>/dev/null && break; sleep 0.2; done
desk_run second "$DESK"
wait $holder
check "a database another copy holds is named in the start-up box" \
  said_like second "^box: Ошибка открытия базы Автопредприятия | .* | Файл базы занят другой программой"
check "the copy holding it worked on" said holder "done"

# A desk user outside the group the shop-wide file belongs to is told so,
# rather than asked for a file the administrator has named.
chgrp root "$SHOP"
desk_run outsider "$DESK"
chgrp "$DESK_GROUP" "$SHOP"
check "a shop-wide file the user may not read is named in a box" \
  said_like outsider "^box: Нет доступа к общим настройкам магазина $SHOP у пользователя $DESK. | Попросите администратора добавить пользователя в группу root."
check "and the file dialog asks for the accounting database after it" said outsider "dialog: Укажите путь к файлу AEnter.gdb"

# 4. Root runs the installed copy: root could write to its bin folder, yet the
# files go to root's own folders, as for anyone.
desk_run root-installed root ORVADO_DRIVE_NUMBER=K20TT
check "root, installed: the lookup works" sh -c "grep -q '^stock: [0-9]' '$SCRATCH/root-installed.report'"
check "root, installed: the history lands in root's data folder" \
  grep -q K20TT "$SCRATCH/root-installed/.local/share/Orvado/SearchedNum.log"
check "root, installed: nothing lands beside the executable" test ! -e "$ROOT/usr/bin/SearchedNum.log"

# 5. Root runs a copy kept in a folder of its own, as a shop that unpacks the
# program does: everything beside the executable, the start folder's AENTER.GDB.
OWN=$SCRATCH/root-own
mkdir -p "$OWN"
cp "$ROOT/usr/bin/Orvado" "$OWN/Orvado"
cp -r "$ROOT/usr/share/orvado/guide" "$OWN/guide"
cp "$ROOT/srv/AENTER.GDB" "$ROOT/var/lib/orvado/ORVADO.GDB" "$OWN/"
EXE=$OWN/Orvado desk_run root-own root ORVADO_DRIVE_NUMBER=K20TT
mv "$SCRATCH/root-own.report" "$SCRATCH/own.report"
check "root, own folder: the lookup works without a dialog" sh -c "grep -q '^stock: [0-9]' '$SCRATCH/own.report' && ! grep -q '^dialog:' '$SCRATCH/own.report'"
check "root, own folder: the history lands beside the executable" grep -q K20TT "$OWN/SearchedNum.log"
check "root, own folder: the guide beside the executable" said own "open: $OWN/guide/index.html"
check "root, own folder: no settings or history in root's folders" \
  sh -c "test ! -e '$OWN/.local/share/Orvado' && test ! -e '$OWN/.config/Orvado/Orvado.INI'"

# 6. The terminal answers without a display.
V=$(setpriv --reuid="$DESK" --regid="$(id -g "$DESK")" --init-groups env -i HOME="$SCRATCH/first" "$ROOT/usr/bin/Orvado" --version 2>&1)
check "--version answers without a display" test "$V" = "Orvado (Tovrin Zevaveraz) $VERSION"
HELP=$(setpriv --reuid="$DESK" --regid="$(id -g "$DESK")" --init-groups env -i HOME="$SCRATCH/first" "$ROOT/usr/bin/Orvado" --help 2>&1)
check "--help answers in Russian and names the user's files" sh -c \
  "printf '%s' \"\$1\" | grep -q 'Использование: Orvado' && printf '%s' \"\$1\" | grep -q '$SCRATCH/first/.config/Orvado/Orvado.INI'" sh "$HELP"

finish
