#!/usr/bin/env bash
# Picture quality against pngquant. Every picture of the given folders is
# scaled and cropped to 768 x 512 (ImageMagick), then reduced to 16, 64 and
# 256 colours without dithering and with Floyd-Steinberg diffusion by
# zinop-cli at refinement 0 and 3 (and any other LEVELS) and by pngquant
# (`pngquant N --nofs`, `pngquant N`). Prints per colour count and dithering
# the mean PSNR (dB, over R, G and B), the mean CIELAB distance (dE76; sRGB,
# D65), the wall and CPU time of the whole set (one process per picture,
# PNG out) and on how many pictures each result has a lower dE76 than
# pngquant's.
#
#   bench/quality.sh [FOLDER...]
#   BUILD=build-rel LEVELS="0 1 3" COUNTS="16 256" bench/quality.sh ~/Pictures
#   KEEP=/tmp/side-by-side bench/quality.sh   (keeps the 16-colour results)
#
# Without folders it takes the photographs that these Debian packages
# install (freely licensed; run `apt-get install mate-backgrounds
# lomiri-wallpapers-16.04 lomiri-wallpapers-20.04 pngquant imagemagick`):
# /usr/share/backgrounds/mate/nature/*.jpg and /usr/share/backgrounds/*_by_*.jpg.
# Needs build/bin/zinop-cli and build/bin/zinop-image-diff.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
bin=$build/bin
levels=${LEVELS:-0 3}
counts=${COUNTS:-16 64 256}
# Unfiltered rows at zlib level 6: zinop-cli's fastest PNG output.
zinop_png=${ZINOP_PNG:---png-filters none --png-level 6}

for tool in "$bin/zinop-cli" "$bin/zinop-image-diff"; do
    [[ -x $tool ]] || { echo "missing $tool: build first" >&2; exit 1; }
done
command -v pngquant >/dev/null || { echo "pngquant is not installed" >&2; exit 1; }
command -v convert >/dev/null || { echo "ImageMagick is not installed" >&2; exit 1; }

sources=()
if (($# == 0)); then
    shopt -s nullglob
    sources=(/usr/share/backgrounds/mate/nature/*.jpg /usr/share/backgrounds/*_by_*.jpg)
    shopt -u nullglob
    if ((${#sources[@]} < 24)); then
        echo "found ${#sources[@]} photos; install mate-backgrounds lomiri-wallpapers-16.04" \
             "lomiri-wallpapers-20.04 or name a folder" >&2
        exit 1
    fi
else
    for folder in "$@"; do
        while IFS= read -r -d '' file; do sources+=("$file"); done < <(
            find "$folder" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \
                 -o -iname '*.png' -o -iname '*.bmp' -o -iname '*.tif' -o -iname '*.tiff' \
                 -o -iname '*.webp' \) -print0 | sort -z)
    done
fi

work=$(mktemp -d /tmp/zinop-quality.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/out"
names=()
index=0
for file in "${sources[@]}"; do
    name=$(printf 'p%03d' "$index")
    if convert "$file" -auto-orient -resize '768x512^' -gravity center -extent 768x512 \
           +repage -strip "PNG24:$work/src/$name.png" 2>/dev/null; then
        convert "$work/src/$name.png" "$work/src/$name.ppm"
        names+=("$name")
        index=$((index + 1))
    fi
done
echo "${#names[@]} pictures, 768 x 512, from: ${sources[*]:0:1} ..."
echo

# run_set LABEL KIND COLOURS DITHER [LEVEL]: reduces every picture with
# zinop-cli or pngquant and records the wall and CPU time (user + system) of
# the whole set and per picture PSNR and dE76 in $work/LABEL.*.
run_set() {
    local label=$1 kind=$2 colours=$3 dither=$4 level=${5:-0}
    local out=$work/out/$label
    mkdir -p "$out"
    local TIMEFORMAT='%R %U %S'
    { time for name in "${names[@]}"; do
        if [[ $kind == zinop ]]; then
            # shellcheck disable=SC2086
            "$bin/zinop-cli" reduce -q -f png $zinop_png -c "$colours" -d "$dither" \
                --refine "$level" -o "$out" "$work/src/$name.png"
        elif [[ $dither == none ]]; then
            pngquant "$colours" --nofs --force --output "$out/$name.png" "$work/src/$name.png"
        else
            pngquant "$colours" --force --output "$out/$name.png" "$work/src/$name.png"
        fi
    done; } 2>"$work/$label.time"
    : >"$work/$label.scores"
    for name in "${names[@]}"; do
        convert "$out/$name.png" "PPM:$out/$name.ppm"
        "$bin/zinop-image-diff" "$work/src/$name.ppm" "$out/$name.ppm" >>"$work/$label.scores"
    done
}

# Mean PSNR, mean dE76, wall and CPU seconds, and the pictures with a lower
# dE76 than REF.
summary() {
    local label=$1 ref=$2 wall user system
    read -r wall user system <"$work/$label.time"
    paste -d' ' "$work/$label.scores" "$work/$ref.scores" |
        awk -v wall="$wall" -v user="$user" -v sys="$system" '
            { p += $1; e += $2; if ($2 < $4) better++; n++ }
            END { printf "%8.2f %8.3f %8.2f %8.2f %5d/%d\n", p / n, e / n, wall, user + sys,
                         better, n }'
}

printf '%-7s %-10s %-16s %8s %8s %8s %8s %s\n' colours dither tool "PSNR" "dE76" "wall s" "CPU s" \
    "lower dE76 than pngquant"
for colours in $counts; do
    for dither in none diffusefs; do
        ref=pq-$colours-$dither
        run_set "$ref" pngquant "$colours" "$dither"
        for level in $levels; do
            run_set "z$level-$colours-$dither" zinop "$colours" "$dither" "$level"
        done
        for level in $levels; do
            printf '%-7s %-10s %-16s %s\n' "$colours" "$dither" "zinop refine $level" \
                "$(summary "z$level-$colours-$dither" "$ref")"
        done
        printf '%-7s %-10s %-16s %s\n' "$colours" "$dither" "pngquant" "$(summary "$ref" "$ref")"
        if [[ -n ${KEEP:-} && $colours == 16 ]]; then
            mkdir -p "$KEEP"
            cp -r "$work/out/$ref" "$work/src" "$KEEP/"
            for level in $levels; do cp -r "$work/out/z$level-$colours-$dither" "$KEEP/"; done
        fi
    done
done
