# Sourced by windows-deps.sh and web-deps.sh, which build SDL2 and SDL2_image
# for another platform from Debian's own source packages of the versions the
# Linux build uses, once under a cache key. The caller defines say and fail.

# The source package's version behind a native -dev package.
version_of() {
  dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null || fail "package $1 is not installed (run scripts/install-deps.sh)"
}

# Prints the prefix and ends the script when the build under $CACHE/$KEY is
# done. Two builds at once take turns: the second finds the first one's result.
print_prefix_if_built() {
  if [ -f "$CACHE/$KEY/done" ]; then
    printf '%s\n' "$PREFIX"
    exit 0
  fi
}
take_turn() {
  print_prefix_if_built
  mkdir -p "$CACHE"
  exec 9>"$CACHE/$KEY.lock"
  flock 9
  print_prefix_if_built
}

# Each step leaves a mark: a build cut short goes on where it stopped.
done_before() { [ -f "$CACHE/$KEY/$1.done" ]; }
mark_done() { touch "$CACHE/$KEY/$1.done"; }

# Debian's source packages into $CACHE/$KEY/src, through apt with a sources
# list and package lists of our own: the system's lists stay as they are.
fetch_sources() {
  local apt=$CACHE/apt list
  mkdir -p "$CACHE/$KEY/src" "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
  # Images list their sources in deb822 form, while debootstrap and the installer use
  # the one-line form: either way, the same archives for source packages.
  rm -f "$apt/sources.list.d"/debian-src.*
  for list in /etc/apt/sources.list.d/*.sources; do
    if [ -f "$list" ]; then sed 's/^Types:.*$/Types: deb-src/' "$list"; fi
  done >"$apt/sources.list.d/debian-src.sources"
  for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    if [ -f "$list" ]; then sed -n 's/^deb[[:space:]]\+/deb-src /p' "$list"; fi
  done >"$apt/sources.list.d/debian-src.list"
  [ -s "$apt/sources.list.d/debian-src.sources" ] || [ -s "$apt/sources.list.d/debian-src.list" ] ||
    fail "no Debian archive in /etc/apt/sources.list or /etc/apt/sources.list.d"
  done_before sources && return 0
  local opts=(-q -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
  rm -rf "${CACHE:?}/$KEY/src"/*
  apt-get "${opts[@]}" update >"$CACHE/$KEY/apt.log" 2>&1 || fail "apt-get update failed, see $CACHE/$KEY/apt.log"
  (cd "$CACHE/$KEY/src" && apt-get "${opts[@]}" source "libsdl2=$SDL2_VERSION" \
    "libsdl2-image=$IMAGE_VERSION") >>"$CACHE/$KEY/apt.log" 2>&1 ||
    fail "apt-get source failed, see $CACHE/$KEY/apt.log"
  mark_done sources
}
src_of() { find "$CACHE/$KEY/src" -mindepth 1 -maxdepth 1 -type d -name "$1-[0-9]*" | head -1; }
