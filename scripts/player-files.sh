#!/bin/sh
# Prints a fingerprint of the player's own MORVA files (the settings folder and
# the screenshots folder, where they would be for this user), so a run can
# prove it left them as it found them:
#
#   scripts/player-files.sh >before; ...; scripts/player-files.sh | diff before -
set -eu
config=${XDG_CONFIG_HOME:-$HOME/.config}
pictures=${XDG_PICTURES_DIR:-$HOME/Pictures}
for dir in "$config/morva" "$HOME/.config/morva" "$pictures/MORVA" "$HOME/Pictures/MORVA"; do
  if [ -e "$dir" ] || [ -L "$dir" ]; then
    # Names, kinds, sizes, modes and times, then what the files hold.
    find "$dir" -printf '%p %y %s %m %T@\n' | LC_ALL=C sort
    find "$dir" -type f -exec sha256sum {} + | LC_ALL=C sort -k 2
  else
    echo "absent $dir"
  fi
done | LC_ALL=C sort -u
