# The pieces a game draws in its first half second, from a trace of one:
# each distinct draw once, as the texture's file name and the draw's numbers
# with its position left out. Plumo scales them ahead while the title shows.
BEGIN { print "# texture, then a draw's numbers: made from a trace by assets/tools/pieces.awk" }
$1 == "frame" { frame = $2; if (start && frame > start + 30) exit }
$1 == "LoadTex" {
  name = $2
  gsub(/"/, "", name)
  names[$3] = name
  # The first texture only a game loads marks the frame it sets up in.
  if (name == "ground.zqtex" && !start) start = frame
}
start && ($1 == "DrawTex" || $1 == "DrawTexRot") {
  line = names[$2]
  for (i = 3; i <= NF; i++) line = line " " (i == 7 || i == 8 ? 0 : $i)
  if (!(line in seen)) { seen[line] = 1; print line }
}
