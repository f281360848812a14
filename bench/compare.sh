#!/usr/bin/env bash
# Times `zinop-cli reduce` as a whole process on the deterministic 12-megapixel
# test card (4000 x 3000, 256 colours) in every dither mode and output format,
# and, when installed, pngquant and ImageMagick (`convert -colors 256`) on the
# same picture (PNG in, PNG out). Prints wall time (best of RUNS), peak
# resident memory and bytes per pixel, and each time's ratio to zinop-cli's
# default (DiffuseFS, BMP).
#
#   bench/compare.sh [BUILD_DIR]      (default: build; needs zinop-cli and zinop-test-card)
#   RUNS=5 bench/compare.sh build-rel
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
bin=$build/bin
runs=${RUNS:-3}
width=4000
height=3000
pixels=$((width * height))

for tool in zinop-cli zinop-test-card; do
    if [ ! -x "$bin/$tool" ]; then
        echo "compare.sh: $bin/$tool is missing; build it first:" >&2
        echo "  cmake --build $build --target zinop-cli zinop-test-card" >&2
        exit 2
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/zinop-test-card" $width $height "$work/card.bmp"

# Peak memory: GNU time when present, else a getrusage wrapper in Python.
if [ -x /usr/bin/time ]; then
    measure() { /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" >/dev/null 2>&1; }
else
    measure() {
        python3 - "$work/time.txt" "$@" <<'EOF'
import resource, subprocess, sys, time
start = time.monotonic()
status = subprocess.call(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
elapsed = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
open(sys.argv[1], "w").write("%.2f %d %.2f %.2f\n" % (elapsed, usage.ru_maxrss, usage.ru_utime, usage.ru_stime))
sys.exit(status)
EOF
    }
fi

# best_of LABEL COMMAND...: runs the command RUNS times; records the best time
# and the largest peak memory.
declare -A best_time best_cpu peak_kb
labels=()
best_of() {
    local label=$1
    shift
    local best="" cpu="" peak=0 t kb user system
    for ((i = 0; i < runs; i++)); do
        if ! measure "$@"; then
            echo "compare.sh: '$label' failed" >&2
            return 1
        fi
        read -r t kb user system <"$work/time.txt"
        if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a < b)}'; then best=$t; fi
        c=$(awk -v u="$user" -v s="$system" 'BEGIN{printf "%.2f", u + s}')
        if [ -z "$cpu" ] || awk -v a="$c" -v b="$cpu" 'BEGIN{exit !(a < b)}'; then cpu=$c; fi
        if [ "$kb" -gt "$peak" ]; then peak=$kb; fi
    done
    best_time[$label]=$best
    best_cpu[$label]=$cpu
    peak_kb[$label]=$peak
    labels+=("$label")
}

mkdir -p "$work/out"
for format in bmp png gif; do
    for dither in diffusefs none gpeanos maem anime; do
        best_of "zinop-cli -f $format -d $dither" \
            "$bin/zinop-cli" reduce -q -f "$format" -d "$dither" -o "$work/out" "$work/card.bmp"
    done
done

# The peers read and write PNG (pngquant reads nothing else).
imagemagick=""
if command -v magick >/dev/null 2>&1; then
    imagemagick="magick"
elif [ -x /usr/bin/convert ]; then
    imagemagick=/usr/bin/convert
elif command -v convert >/dev/null 2>&1; then
    imagemagick=convert
fi
if [ -n "$imagemagick" ]; then
    "$imagemagick" "$work/card.bmp" "$work/card.png"
elif [ -x "$bin/zinop-cli" ]; then
    "$bin/zinop-cli" convert "$work/card.bmp" "$work/card.png"
fi
if command -v pngquant >/dev/null 2>&1; then
    best_of "pngquant 256" pngquant --force --output "$work/out/pq.png" 256 "$work/card.png"
else
    echo "(pngquant not installed)"
fi
if [ -n "$imagemagick" ]; then
    best_of "imagemagick -colors 256" "$imagemagick" "$work/card.png" -colors 256 "$work/out/im.png"
    # The writers alone: ImageMagick writing zinop's own 256-colour result as
    # GIF and PNG, to set against the SaveGif/SavePng benchmarks of zinop_bench.
    mkdir -p "$work/indexed"
    "$bin/zinop-cli" reduce -q -f bmp -o "$work/indexed" "$work/card.bmp"
    best_of "imagemagick indexed -> gif" "$imagemagick" "$work/indexed/card.bmp" "$work/out/im.gif"
    best_of "imagemagick indexed -> png" "$imagemagick" "$work/indexed/card.bmp" "$work/out/im8.png"
else
    echo "(ImageMagick not installed)"
fi

reference="zinop-cli -f bmp -d diffusefs"
echo "12 MP test card (${width}x${height}), 256 colours, best of $runs, $(nproc) cores," \
    "load average $(cut -d' ' -f1 /proc/loadavg)"
printf "%-32s %8s %8s %9s %8s %7s %7s\n" "command" "wall s" "cpu s" "peak MiB" "B/pixel" \
    "wall x" "cpu x"
for label in "${labels[@]}"; do
    awk -v l="$label" -v t="${best_time[$label]}" -v c="${best_cpu[$label]}" \
        -v kb="${peak_kb[$label]}" -v px=$pixels -v rt="${best_time[$reference]}" \
        -v rc="${best_cpu[$reference]}" 'BEGIN {
        printf "%-32s %8.2f %8.2f %9.1f %8.1f %6.2fx %6.2fx\n", l, t, c, kb / 1024,
            kb * 1024 / px, t / rt, (rc > 0 ? c / rc : 0) }'
done
echo "x: time / time of '$reference' (above 1: slower than it). cpu s = user + system;"
echo "on a busy machine the cpu column compares more fairly than wall time."
