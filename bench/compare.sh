#!/usr/bin/env bash
# Times `zinop-cli reduce` as a whole process on the deterministic 12-megapixel
# test card (4000 x 3000, 256 colours) in every dither mode and output format,
# and, when installed, pngquant and ImageMagick (`convert -colors 256`) on the
# same picture (PNG in, PNG out). Prints wall time (best of RUNS), peak
# resident memory and bytes per pixel, and each time's ratio to zinop-cli's
# default (DiffuseFS, BMP).
#
# Two more parts, each with its own table:
#  - png: PNG in -> PNG out on the test card, zinop-cli with adaptive and no
#    row filters (--png-filters) against pngquant: wall time, CPU time and
#    file size side by side;
#  - folder: 16 pictures of 3 megapixels (PNG), zinop-cli -j 1 against -j 2
#    against `xargs -P 2 pngquant`.
#
#   bench/compare.sh [BUILD_DIR]      (default: build; needs zinop-cli and zinop-test-card)
#   RUNS=5 bench/compare.sh build-rel
#   PARTS="png folder" bench/compare.sh   (any of: modes png folder; default all three)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
bin=$build/bin
runs=${RUNS:-3}
parts=${PARTS:-modes png folder}
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

part() { case " $parts " in *" $1 "*) return 0 ;; esac; return 1; }

mkdir -p "$work/out"
if part modes; then
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

mode_labels=("${labels[@]}")
fi

# print_table TITLE REFERENCE LABEL...: wall and CPU time, peak memory and, for
# labels with an output size, the file size; ratios to REFERENCE.
declare -A out_bytes
print_table() {
    local title=$1 reference=$2
    shift 2
    echo
    echo "$title, best of $runs, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
    printf "%-40s %8s %8s %9s %10s %7s %7s\n" "command" "wall s" "cpu s" "peak MiB" "bytes" \
        "wall x" "cpu x"
    for label in "$@"; do
        awk -v l="$label" -v t="${best_time[$label]}" -v c="${best_cpu[$label]}" \
            -v kb="${peak_kb[$label]}" -v b="${out_bytes[$label]:--}" \
            -v rt="${best_time[$reference]}" -v rc="${best_cpu[$reference]}" 'BEGIN {
            printf "%-40s %8.2f %8.2f %9.1f %10s %6.2fx %6.2fx\n", l, t, c, kb / 1024, b,
                t / rt, (rc > 0 ? c / rc : 0) }'
    done
    echo "x: time / time of '$reference' (below 1: faster than it)."
}

have_pngquant=""
command -v pngquant >/dev/null 2>&1 && have_pngquant=yes

# PNG in -> PNG out on the 12 MP card: the row filters and zlib level decide
# most of the time once the reduction is done.
if part png; then
    "$bin/zinop-cli" convert "$work/card.bmp" "$work/card-in.png"
    png_labels=()
    for setting in "adaptive 9" "none 9" "none 6"; do
        set -- $setting
        label="zinop-cli --png-filters $1 --png-level $2"
        mkdir -p "$work/png-$1-$2"
        best_of "$label" "$bin/zinop-cli" reduce -q -f png --png-filters "$1" --png-level "$2" \
            -o "$work/png-$1-$2" "$work/card-in.png"
        out_bytes[$label]=$(stat -c %s "$work/png-$1-$2/card-in.png")
        png_labels+=("$label")
    done
    # Stages, to tell reading, reducing and PNG writing apart: the load alone
    # (convert to BMP) and load + reduce + BMP writing.
    best_of "stage: load PNG (convert -> bmp)" "$bin/zinop-cli" convert "$work/card-in.png" \
        "$work/out/card-full.bmp"
    best_of "stage: load + reduce (-f bmp)" "$bin/zinop-cli" reduce -q -f bmp -o "$work/out" \
        "$work/card-in.png"
    png_labels+=("stage: load PNG (convert -> bmp)" "stage: load + reduce (-f bmp)")
    if [ -n "$have_pngquant" ]; then
        best_of "pngquant 256" pngquant --force --output "$work/out/pq.png" 256 "$work/card-in.png"
        out_bytes["pngquant 256"]=$(stat -c %s "$work/out/pq.png")
        png_labels+=("pngquant 256")
        png_reference="pngquant 256"
    else
        echo "(pngquant not installed)"
        png_reference="zinop-cli --png-filters adaptive --png-level 9"
    fi
fi

# A folder of 16 pictures of 3 megapixels, one worker against two.
if part folder; then
    mkdir -p "$work/folder"
    "$bin/zinop-test-card" 2000 1500 "$work/folder.bmp"
    "$bin/zinop-cli" convert "$work/folder.bmp" "$work/folder/p01.png"
    for i in $(seq -w 2 16); do cp "$work/folder/p01.png" "$work/folder/p$i.png"; done
    folder_labels=()
    for jobs in 1 2; do
        label="zinop-cli -j $jobs (16 x 3 MP, none)"
        mkdir -p "$work/folder-j$jobs"
        best_of "$label" "$bin/zinop-cli" reduce -q -j "$jobs" -f png --png-filters none \
            -o "$work/folder-j$jobs" "$work"/folder/*.png
        out_bytes[$label]=$(du -cb "$work/folder-j$jobs"/*.png | tail -1 | cut -f1)
        folder_labels+=("$label")
    done
    if ! cmp -s "$work/folder-j1/p07.png" "$work/folder-j2/p07.png"; then
        echo "compare.sh: -j 2 wrote other bytes than -j 1" >&2
        exit 1
    fi
    if [ -n "$have_pngquant" ]; then
        mkdir -p "$work/folder-pq"
        label="xargs -P 2 pngquant (16 x 3 MP)"
        cat >"$work/pq-folder.sh" <<'EOF'
cd "$1" && ls ./*.png | xargs -P 2 -I{} pngquant --force --output "$2/{}" 256 {}
EOF
        best_of "$label" sh "$work/pq-folder.sh" "$work/folder" "$work/folder-pq"
        out_bytes[$label]=$(du -cb "$work/folder-pq"/*.png | tail -1 | cut -f1)
        folder_labels+=("$label")
    fi
fi

if part modes; then
reference="zinop-cli -f bmp -d diffusefs"
echo "12 MP test card (${width}x${height}), 256 colours, best of $runs, $(nproc) cores," \
    "load average $(cut -d' ' -f1 /proc/loadavg)"
printf "%-32s %8s %8s %9s %8s %7s %7s\n" "command" "wall s" "cpu s" "peak MiB" "B/pixel" \
    "wall x" "cpu x"
for label in "${mode_labels[@]}"; do
    awk -v l="$label" -v t="${best_time[$label]}" -v c="${best_cpu[$label]}" \
        -v kb="${peak_kb[$label]}" -v px=$pixels -v rt="${best_time[$reference]}" \
        -v rc="${best_cpu[$reference]}" 'BEGIN {
        printf "%-32s %8.2f %8.2f %9.1f %8.1f %6.2fx %6.2fx\n", l, t, c, kb / 1024,
            kb * 1024 / px, t / rt, (rc > 0 ? c / rc : 0) }'
done
echo "x: time / time of '$reference' (above 1: slower than it). cpu s = user + system;"
echo "on a busy machine the cpu column compares more fairly than wall time."
fi
if part png; then
    print_table "PNG in -> PNG out, 12 MP test card, 256 colours" "$png_reference" "${png_labels[@]}"
    echo "PNG writing = a zinop-cli line minus the load + reduce stage (BMP writing is small)."
fi
if part folder; then
    print_table "16 pictures of 3 MP, PNG in -> PNG out" "zinop-cli -j 1 (16 x 3 MP, none)" \
        "${folder_labels[@]}"
fi
