#!/bin/sh
# Composes review mock-ups of the title screen and of a game in progress from
# the rendered textures, at the sizes and places the game draws them.
#   assets/tools/mock_scenes.sh DATA_DIR OUT_DIR
set -eu
DATA=$1
OUT=$2
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# cell FILE X Y W H DRAWN_W DRAWN_H [-flop|-flip ...] -> PNG on stdout
cell() {
  cf=$1; cx=$2; cy=$3; cw=$4; ch=$5; dw=$6; dh=$7; shift 7
  convert "png:$DATA/$cf" -crop "${cw}x${ch}+${cx}+${cy}" +repage -filter Triangle -resize "${dw}x${dh}!" "$@" png:-
}

# text STRING GLYPH_W GLYPH_H -> PNG of the string in the bitmap font
text() {
  s=$1; gw=$2; gh=$3; i=0; files=""
  while [ $i -lt ${#s} ]; do
    c=$(printf '%s' "$s" | cut -c$((i + 1)))
    code=$(printf "%d" "'$c")
    [ "$c" = " " ] && code=32
    cell font_128_64.zqtex $((64 * ((code - 32) % 16))) $((128 * ((code - 32) / 16))) 64 128 "$gw" "$gh" > "$T/g$i.png"
    files="$files $T/g$i.png"
    i=$((i + 1))
  done
  # shellcheck disable=SC2086
  convert -background none $files +append png:-
}

convert -size 1600x900 xc:black \
  \( "png:$DATA/distant_view.zqtex" -filter Triangle -resize 1600x400! \) -geometry +0+0 -composite \
  \( "png:$DATA/ground.zqtex" -filter Triangle -resize 2000x500! \) -geometry -1200+400 -composite \
  \( "png:$DATA/ground.zqtex" -filter Triangle -resize 2000x500! \) -geometry +800+400 -composite \
  "$T/field.png"

cell wood.zqtex 0 0 256 512 320 640 > "$T/tree1.png"
cell wood.zqtex 256 0 256 512 240 760 > "$T/tree2.png"
cell wood.zqtex 512 0 256 512 220 560 > "$T/tree3.png"
cell wood.zqtex 768 0 256 512 360 480 > "$T/tree4.png"
convert "png:$DATA/generate_hole.zqtex" -filter Triangle -resize 600x400! "$T/hole.png"
convert "$T/field.png" \
  "$T/tree2.png" -geometry +40-310 -composite \
  "$T/tree1.png" -geometry +300-190 -composite \
  "$T/tree4.png" -geometry +1280-30 -composite \
  "$T/tree3.png" -geometry +1440-110 -composite \
  "$T/hole.png" -geometry +700+150 -composite "$T/scene.png"

# Rocks: one walking left on line 1, one facing right on line 2 (mirrored),
# one recoiling and one breaking on line 3 where the hero attacks.
cell rock_enemy.zqtex 0 256 256 256 200 200 > "$T/rock_walk.png"
cell rock_enemy.zqtex 0 256 256 256 200 200 -flop > "$T/rock_right.png"
cell rock_enemy.zqtex 0 0 256 256 200 200 > "$T/rock_recoil.png"
cell rock_enemy.zqtex 512 0 256 256 200 200 > "$T/rock_break.png"
cell life.zqtex 0 0 32 32 156 16 > "$T/life.png"
cell life.zqtex 0 0 32 32 90 16 > "$T/life_low.png"
cell gauge.zqtex 0 0 256 32 160 20 > "$T/gauge_small.png"
cell pelomar256.zqtex 256 512 256 256 200 200 > "$T/hero_attack.png"
cell pelomar256.zqtex 0 512 256 256 200 200 > "$T/hero_dash.png"
cell pelomar256.zqtex 0 0 256 256 200 200 > "$T/hero_stand.png"
cell sword.zqtex 0 1280 512 256 600 200 > "$T/slash2.png"
cell smog.zqtex 0 0 128 128 60 60 > "$T/smog.png"
convert "$T/smog.png" -channel A -evaluate multiply 0.5 +channel -background none -rotate 40 "$T/smog_old.png"
cell combo.zqtex 0 0 32 32 300 40 > "$T/combo_bar.png"
cell gauge.zqtex 0 0 256 32 360 40 > "$T/gauge.png"
text "HISCORE:000000000000" 30 60 > "$T/hiscore.png"
text "SCORE:000000000085" 30 60 > "$T/score.png"
text "COMBO!" 50 100 > "$T/combo_label.png"
text "3" 75 150 > "$T/combo_count.png"

# Game: lines at 400..800, bodies centred on their line; hero at x 600 on
# line 700 in the second sword step (sword centre 30 ahead, 30 below).
convert "$T/scene.png" \
  "$T/rock_walk.png" -geometry +1150+400 -composite \
  "$T/life.png" -geometry +1172+392 -composite "$T/gauge_small.png" -geometry +1170+390 -composite \
  "$T/rock_right.png" -geometry +200+500 -composite \
  "$T/life.png" -geometry +222+492 -composite "$T/gauge_small.png" -geometry +220+490 -composite \
  "$T/rock_recoil.png" -geometry +700+600 -composite \
  "$T/life_low.png" -geometry +755+592 -composite "$T/gauge_small.png" -geometry +720+590 -composite \
  "$T/rock_break.png" -geometry +960+600 -composite \
  "$T/hero_attack.png" -geometry +500+600 -composite \
  "$T/slash2.png" -geometry +330+630 -composite \
  -fill none -stroke '#ff00ff' -draw "circle 800,740 840,740" -stroke none \
  "$T/smog_old.png" -geometry +1020+770 -composite "$T/smog.png" -geometry +1100+780 -composite \
  "$T/hero_dash.png" -geometry +1150+700 -composite \
  "$T/combo_bar.png" -geometry +70+220 -composite "$T/gauge.png" -geometry +40+220 -composite \
  "$T/combo_label.png" -geometry +120+160 -composite "$T/combo_count.png" -geometry +50+50 -composite \
  "$T/hiscore.png" -geometry +950+30 -composite "$T/score.png" -geometry +1010+90 -composite \
  "$OUT/mock-game.png"

# Every sword frame in place over a standing hero, with the hit circle.
for step in 1 2 3; do
  row=""
  for f in 0 1 2 3 4 5; do
    case $step in
      1) cell sword.zqtex 0 $((256 * f)) 512 256 600 200 -flip > "$T/s.png"; sx=30; sy=0; hx=200 ;;
      2) cell sword.zqtex 0 $((256 * f)) 512 256 600 200 > "$T/s.png"; sx=30; sy=30; hx=200 ;;
      3) cell sword.zqtex 512 $((256 * f)) 512 256 600 200 > "$T/s.png"; sx=100; sy=30; hx=280 ;;
    esac
    convert -size 800x300 xc:'#86c95a' "$T/hero_attack.png" -geometry +100+50 -composite \
      "$T/s.png" -geometry +$((200 + sx - 300))+$((150 + sy - 100)) -composite \
      -fill none -stroke '#ff00ff' -draw "circle $((200 + hx)),190 $((240 + hx)),190" "$T/f$f.png"
    row="$row $T/f$f.png"
  done
  # shellcheck disable=SC2086
  convert $row +append "$T/step$step.png"
done
convert "$T/step1.png" "$T/step2.png" "$T/step3.png" -append -resize 50% "$OUT/mock-sword.png"

text "Character Design : pelomar" 25 50 > "$T/c1.png"
text "Game Design / Program : Quennet" 25 50 > "$T/c2.png"
text "Programming Language : Tarsk" 25 50 > "$T/c3.png"
text "ver 0.2" 25 50 > "$T/ver.png"
text "Start!!" 100 200 > "$T/start.png"
convert -size 1600x900 xc:black \
  "$T/c1.png" -geometry +900+720 -composite "$T/c2.png" -geometry +775+770 -composite \
  "$T/c3.png" -geometry +800+820 -composite \
  \( "png:$DATA/title.zqtex" -crop 600x160+0+0 +repage -filter Triangle -resize 1200x320! \) -geometry +200+200 -composite \
  "$T/ver.png" -geometry +800+600 -composite "$OUT/mock-title.png"
convert "$T/scene.png" "$T/hero_stand.png" -geometry +600+600 -composite \
  "$T/start.png" -geometry +450+350 -composite "$OUT/mock-start.png"
