#!/bin/sh
# Adds MORVA to this user's application menu: the menu entry, the icons and
# the software-centre entry go under ~/.local/share and run the game from the
# folder this script lies in (after moving the folder, run it again).
# `./install.sh --uninstall` takes them away again. The game's folder itself
# and the settings in ~/.config/morva are left as they are.
set -eu

ID=@APP_ID@
SIZES="@ICON_SIZES@"
HERE=$(cd "$(dirname "$0")" && pwd -P)
DATA=${XDG_DATA_HOME:-$HOME/.local/share}
ENTRY=$DATA/applications/morva.desktop
METAINFO=$DATA/metainfo/$ID.metainfo.xml

fail() {
  echo "install.sh: $*" >&2
  exit 1
}
# Menus notice new entries by themselves; an icon cache of the player's own
# would hide the new icons.
refresh() {
  if command -v gtk-update-icon-cache >/dev/null 2>&1 && [ -f "$DATA/icons/hicolor/index.theme" ]; then
    gtk-update-icon-cache -q -t "$DATA/icons/hicolor" 2>/dev/null || true
  fi
}

case ${1:-} in
  --uninstall)
    rm -f "$ENTRY" "$METAINFO" || fail "cannot remove $ENTRY"
    for size in $SIZES; do
      rm -f "$DATA/icons/hicolor/${size}x$size/apps/morva.png" || fail "cannot remove the ${size}x$size icon"
    done
    refresh
    echo "MORVA is off the menu; $HERE is left as it is."
    exit 0
    ;;
  "") ;;
  *)
    echo "usage: $0 [--uninstall]" >&2
    exit 2
    ;;
esac

[ -x "$HERE/morva" ] || fail "no game in $HERE (morva is missing)"
case $HERE in
  *'
'*) fail "the game's folder name holds a line break; rename it first" ;;
esac

# The Exec line quotes the path for the menu: \ " ` $ escaped, each backslash
# doubled again as the file format asks, % doubled.
exec_path=$(printf '%s\n' "$HERE/morva" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\\\&/g' -e 's/%/%%/g')
try_path=$(printf '%s\n' "$HERE/morva" | sed -e 's/\\/\\\\/g')

mkdir -p "$DATA/applications" "$DATA/metainfo" || fail "cannot create the folders under $DATA"
# Checked where no menu looks, then put in place.
NEW=$(mktemp -d "${TMPDIR:-/tmp}/morva-install.XXXXXX") || fail "cannot make a temporary folder"
trap 'rm -rf "$NEW"' EXIT
sed -e "s|^Exec=.*|Exec=\"$(printf '%s' "$exec_path" | sed 's/[|&\\]/\\&/g')\"|" \
  -e "s|^Icon=.*|Icon=morva\nTryExec=$(printf '%s' "$try_path" | sed 's/[|&\\]/\\&/g')|" \
  "$HERE/share/applications/morva.desktop" >"$NEW/morva.desktop" || fail "cannot write $NEW/morva.desktop"
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$NEW/morva.desktop" >&2 || fail "the menu entry for $HERE is not valid"
fi
cp "$NEW/morva.desktop" "$ENTRY" || fail "cannot write $ENTRY"
for size in $SIZES; do
  mkdir -p "$DATA/icons/hicolor/${size}x$size/apps" &&
    cp "$HERE/share/icons/hicolor/${size}x$size/apps/morva.png" "$DATA/icons/hicolor/${size}x$size/apps/" ||
    fail "cannot install the ${size}x$size icon under $DATA/icons"
done
cp "$HERE/share/metainfo/$ID.metainfo.xml" "$METAINFO" || fail "cannot write $METAINFO"
refresh
echo "MORVA is on the menu, started from $HERE; ./install.sh --uninstall takes it off."
