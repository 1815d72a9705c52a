#!/usr/bin/env bash
# Sharpening and blurring the same generated 24 MP image with lumaret-cli, ImageMagick and
# vips, on one core and on two, each tool reading and writing files, and printing wall
# time, CPU time and peak resident size side by side. Outside tools are used only when
# installed (Debian packages imagemagick and libvips-tools); they are not build
# dependencies.
#
# usage: bench/compare_detail.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a Release build with LUMARET_BUILD_BENCH=ON (default: build)
#   RUNS       repetitions per measurement; the best run of each is shown (default: 3)
#
# One core means the process is pinned to CPU 0 (taskset) and the tools are told to use
# one thread; two cores means both CPUs. Every tool reads the same binary PPM and writes
# one; "copy" is each tool's plain read and write, so the work itself is the difference.
# Our radius-30 row is a whole unsharp mask at sigma 30 (the FFT blur plus the mask),
# against a plain blur for the others.
set -euo pipefail

build=${1:-build}
runs=${2:-3}
cli="$build/bin/lumaret-cli"
bench="$build/bin/bench_geometry"
for tool in "$cli" "$bench"; do
    [[ -x $tool ]] || { echo "no $tool: build with -DLUMARET_BUILD_BENCH=ON" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (package time)" >&2; exit 1; }
command -v taskset >/dev/null || { echo "needs taskset (package util-linux)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/outside_tools.sh"

# Best of `runs` runs: prints "wall cpu peak_mb".
best_of() {
    local best_wall="" best_cpu="" peak=0
    for ((i = 0; i < runs; ++i)); do
        /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>&1 ||
            { echo "failed: $*" >&2; cat "$work/time.txt" >&2; return 1; }
        local wall user sys rss cpu
        read -r wall user sys rss < <(tail -1 "$work/time.txt")
        cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
        if [[ -z $best_wall ]] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then best_wall=$wall; fi
        if [[ -z $best_cpu ]] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then best_cpu=$cpu; fi
        ((rss > peak)) && peak=$rss
    done
    echo "$best_wall $best_cpu $((peak / 1024))"
}

row() {  # name wall cpu peak_mb base_wall
    awk -v n="$1" -v w="$2" -v c="$3" -v m="$4" -v bw="$5" 'BEGIN {
        printf "  %-40s %9.0f %9.0f %9.0f %8d\n", n, w * 1000, c * 1000, (w - bw) * 1000, m }'
}

echo "Writing the test image (6000 x 4000)..."
"$bench" --write-ppm="$work/in.ppm" --benchmark_filter=NONE >/dev/null 2>&1

for cores in 1 2; do
    if ((cores == 1)); then pin=(taskset -c 0); else pin=(); fi
    printf "\n%s core(s)%-32s %9s %9s %9s %8s\n" "$cores" "" "wall ms" "cpu ms" "work ms" "peak MB"

    read -r bw bc bm < <(best_of "${pin[@]}" "$cli" edit "$work/in.ppm" "$work/out.ppm")
    row "lumaret copy" "$bw" "$bc" "$bm" 0
    read -r w c m < <(best_of "${pin[@]}" "$cli" edit "$work/in.ppm" "$work/out.ppm" --sharpen 180:0.7:0)
    row "lumaret --sharpen 180:0.7:0" "$w" "$c" "$m" "$bw"
    read -r w c m < <(best_of "${pin[@]}" "$cli" edit "$work/in.ppm" "$work/out.ppm" --sharpen 180:30:0)
    row "lumaret --sharpen 180:30:0 (FFT)" "$w" "$c" "$m" "$bw"
    read -r w c m < <(best_of "${pin[@]}" "$cli" edit "$work/in.ppm" "$work/out.ppm" --shadows 40:30:50:0)
    row "lumaret --shadows 40:30:50:0" "$w" "$c" "$m" "$bw"

    if ((${#magick_cmd[@]})); then
        export MAGICK_THREAD_LIMIT=$cores
        read -r bw bc bm < <(best_of "${pin[@]}" "${magick_cmd[@]}" "$work/in.ppm" "$work/out.ppm")
        row "imagemagick copy" "$bw" "$bc" "$bm" 0
        read -r w c m < <(best_of "${pin[@]}" "${magick_cmd[@]}" "$work/in.ppm" -unsharp 0x0.7+1.8+0 "$work/out.ppm")
        row "imagemagick -unsharp 0x0.7+1.8+0" "$w" "$c" "$m" "$bw"
        read -r w c m < <(best_of "${pin[@]}" "${magick_cmd[@]}" "$work/in.ppm" -blur 0x30 "$work/out.ppm")
        row "imagemagick -blur 0x30" "$w" "$c" "$m" "$bw"
        unset MAGICK_THREAD_LIMIT
    fi
    if ((have_vips)); then
        export VIPS_CONCURRENCY=$cores
        read -r bw bc bm < <(best_of "${pin[@]}" vips copy "$work/in.ppm" "$work/out.ppm")
        row "vips copy" "$bw" "$bc" "$bm" 0
        read -r w c m < <(best_of "${pin[@]}" vips sharpen "$work/in.ppm" "$work/out.ppm" --sigma 0.7)
        row "vips sharpen --sigma 0.7" "$w" "$c" "$m" "$bw"
        read -r w c m < <(best_of "${pin[@]}" vips gaussblur "$work/in.ppm" "$work/out.ppm" 30)
        row "vips gaussblur 30" "$w" "$c" "$m" "$bw"
        unset VIPS_CONCURRENCY
    fi
done
((${#magick_cmd[@]})) || echo "(ImageMagick not installed: apt-get install imagemagick)"
((have_vips)) || echo "(vips not installed: apt-get install libvips-tools)"
