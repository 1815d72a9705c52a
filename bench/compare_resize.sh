#!/usr/bin/env bash
# Resizes the same generated 24 MP image to 50 % with our bench, ImageMagick and vips, one
# and two threads, and prints the times side by side. Outside tools are used only when
# installed (Debian packages imagemagick and libvips-tools); they are not build
# dependencies.
#
# usage: bench/compare_resize.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a build with LUMARET_BUILD_BENCH=ON, preferably Release or RelWithDebInfo
#              (default: build)
#   RUNS       repetitions per measurement (default: 3); the best run of an outside tool
#              and the median of ours are shown
#
# Each outside tool reads and writes its own native format (ImageMagick's .mpc memory-mapped
# cache, vips' .v), so file handling costs little; the time of a plain copy in the same
# format is shown as well and subtracted in the "net" column. Wall time is what counts on an
# idle machine; CPU time (user + system) is shown too because it is steadier on a busy one.
set -euo pipefail

build=${1:-build}
runs=${2:-3}
bench="$build/bin/bench_geometry"
if [[ ! -x $bench ]]; then
    echo "no $bench: configure with -DLUMARET_BUILD_BENCH=ON and build bench_geometry" >&2
    exit 1
fi

[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (package time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/outside_tools.sh"

# Best wall and CPU seconds of `runs` runs of a command: prints "wall cpu".
best_of() {
    local best_wall="" best_cpu=""
    for ((i = 0; i < runs; ++i)); do
        /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" >/dev/null 2>&1
        local wall user sys
        read -r wall user sys < <(tail -1 "$work/time.txt")
        local cpu
        cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
        if [[ -z $best_wall ]] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then best_wall=$wall; fi
        if [[ -z $best_cpu ]] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then best_cpu=$cpu; fi
    done
    echo "$best_wall $best_cpu"
}

row() {  # name threads wall cpu base_wall base_cpu
    awk -v n="$1" -v t="$2" -v w="$3" -v c="$4" -v bw="$5" -v bc="$6" 'BEGIN {
        printf "%-34s %7s %9.0f %9.0f %9.0f %9.0f\n", n, t, w * 1000, c * 1000, (w - bw) * 1000, (c - bc) * 1000 }'
}

echo "Writing the test image (6000 x 4000)..."
"$bench" --write-ppm="$work/in.ppm" --benchmark_filter=NONE >/dev/null 2>&1
if ((${#magick_cmd[@]})); then "${magick_cmd[@]}" "$work/in.ppm" "$work/in.mpc"; fi
if ((have_vips)); then vips copy "$work/in.ppm" "$work/in.v"; fi

printf "\n%-34s %7s %9s %9s %9s %9s\n" "resize 6000x4000 -> 3000x2000" threads "wall ms" "cpu ms" "net wall" "net cpu"
for threads in 1 2; do
    # Ours: Google Benchmark's own timing of the resize alone (no file handling).
    while read -r name ms cpu; do
        case $name in
            *method:2/*) label="lumaret bicubic" ;;
            *method:4/*) label="lumaret lanczos" ;;
            *) continue ;;
        esac
        # The bench's CPU column counts the calling thread only; with 2 threads use wall.
        row "$label" "$threads" "$(awk -v m="$ms" 'BEGIN{print m/1000}')" \
            "$(awk -v m="$cpu" 'BEGIN{print m/1000}')" 0 0
    done < <("$bench" --benchmark_filter="BM_ResizeHalf/method:[24]/threads:$threads/" \
                 --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true \
                 --benchmark_format=csv 2>/dev/null |
             awk -F, '$1 ~ /_median/ { gsub(/"/, "", $1); print $1, $3, $4 }')

    if ((${#magick_cmd[@]})); then
        export MAGICK_THREAD_LIMIT=$threads
        read -r bw bc < <(best_of "${magick_cmd[@]}" "$work/in.mpc" "$work/copy.mpc")
        read -r w c < <(best_of "${magick_cmd[@]}" "$work/in.mpc" -filter Catrom -resize 50% "$work/out.mpc")
        row "imagemagick -filter Catrom" "$threads" "$w" "$c" "$bw" "$bc"
        read -r w c < <(best_of "${magick_cmd[@]}" "$work/in.mpc" -filter Lanczos -resize 50% "$work/out.mpc")
        row "imagemagick -filter Lanczos" "$threads" "$w" "$c" "$bw" "$bc"
        unset MAGICK_THREAD_LIMIT
    fi
    if ((have_vips)); then
        export VIPS_CONCURRENCY=$threads
        read -r bw bc < <(best_of vips copy "$work/in.v" "$work/copy.v")
        read -r w c < <(best_of vips resize "$work/in.v" "$work/out.v" 0.5 --kernel cubic)
        row "vips resize --kernel cubic" "$threads" "$w" "$c" "$bw" "$bc"
        read -r w c < <(best_of vips resize "$work/in.v" "$work/out.v" 0.5 --kernel lanczos3)
        row "vips resize --kernel lanczos3" "$threads" "$w" "$c" "$bw" "$bc"
        unset VIPS_CONCURRENCY
    fi
done
((${#magick_cmd[@]})) || echo "(ImageMagick not installed: apt-get install imagemagick)"
((have_vips)) || echo "(vips not installed: apt-get install libvips-tools)"
