#!/usr/bin/env bash
# Makes the sample machine's eighteen wallpapers: a plain gradient with a label, at the
# pixel size each file's name gives, small enough to keep in the repository. Run once
# (needs ImageMagick); the pictures are committed, and the scenario expectations compare
# the copies with these very files.
set -eu
cd "$(dirname "$0")/../examples/machine/drive_c/Facet/Bitmap/Wallpapers"
colors=(First "#1d3557-#457b9d" Second "#2a6f4e-#95d5b2" Third "#6a040f-#e85d04")
for ((i = 0; i < ${#colors[@]}; i += 2)); do
    name=${colors[i]}
    gradient=${colors[i + 1]}
    for variant in standard portrait Arabic; do
        for size in 1920x1200 1024x768; do
            convert -size "$size" "gradient:$gradient" -gravity center -fill white -pointsize 48 \
                -annotate 0 "Corvane  $name  $variant  $size" -strip -sampling-factor 4:2:0 -quality 40 \
                "$name/$variant/$size.jpg"
        done
    done
done
