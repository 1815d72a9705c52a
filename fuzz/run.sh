#!/usr/bin/env bash
# Builds fuzz/<name>_fuzz.cpp with clang's libFuzzer against the engine sources it needs and
# runs it for a bounded time on a seed corpus: small test JPEGs for the JPEG parsers,
# fuzz/seeds/<name>/ for the others.
#   fuzz/run.sh exif 60    (targets: exif decoder settings adjust thumbdb updater)
# Needs clang and libclang-rt-14-dev. Findings are left in build-fuzz/<name>/.
set -euo pipefail
cd "$(dirname "$0")/.."

name=${1:?usage: fuzz/run.sh NAME SECONDS}
seconds=${2:?usage: fuzz/run.sh NAME SECONDS}
source_file=fuzz/${name}_fuzz.cpp
[ -f "$source_file" ] || { echo "no $source_file" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "clang++ is not installed" >&2; exit 2; }

out=${FUZZ_BUILD_DIR:-build-fuzz}/$name
mkdir -p "$out"
# The engine folders and libraries each target needs; by default the EXIF library, the image
# core and the platform services (file writing).
libs=()
case $name in
  settings) folders=(engine/settings engine/platform); libs=(-ltinyxml2) ;;
  adjust)   folders=(engine/adjust engine/core engine/platform) ;;
  thumbdb)  folders=(engine/browser engine/platform engine/jpegdecoder engine/exif engine/codec engine/geometry engine/settings engine/core)
            libs=(-ljpeg -ltinyxml2) ;;
  updater)  folders=(engine/updater engine/settings engine/platform); libs=(-lcrypto -lcurl -ltinyxml2) ;;
  decoder)  folders=(engine/jpegdecoder engine/core) ;;
  *)        folders=(engine/exif engine/core engine/platform) ;;
esac
mapfile -t sources < <(find "${folders[@]}" -name '*.cpp' | sort)
echo "building $out/${name}_fuzz from $source_file and ${#sources[@]} engine sources"
clang++ -std=c++20 -g -O1 -fno-omit-frame-pointer \
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -Iengine -DLUMARET_VERSION='"fuzz"' \
        "$source_file" "${sources[@]}" ${libs[@]+"${libs[@]}"} -lpthread -o "$out/${name}_fuzz"

# Seed corpus, copied to a scratch folder so that the fuzzer's additions never land in the
# sources: the small real-world JPEGs of the shared test data for the JPEG parsers, the
# target's own seed folder for the others.
corpus=$(mktemp -d "${TMPDIR:-/tmp}/lumaret-fuzz-$name-XXXXXX")
trap 'rm -rf "$corpus"' EXIT
case $name in
  exif|decoder)
    testdata=../shared/testdata/jpeg
    if [ -d "$testdata" ]; then
      find "$testdata" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.mpo' \) -size -256k \
           -exec cp -t "$corpus" {} + 2>/dev/null || true
    fi
    # A minimal JPEG head so the corpus is never empty.
    printf '\xff\xd8\xff\xe1\x00\x16Exif\x00\x00II\x2a\x00\x08\x00\x00\x00\x00\x00\xff\xda\x00\x02\xff\xd9' \
      > "$corpus/minimal.jpg"
    ;;
  *)
    if [ -d "fuzz/seeds/$name" ]; then
      find "fuzz/seeds/$name" -type f -exec cp -t "$corpus" {} +
    fi
    ;;
esac
echo "seed corpus: $(ls "$corpus" | wc -l) files"

ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
"$out/${name}_fuzz" -max_total_time="$seconds" -max_len="${FUZZ_MAX_LEN:-131072}" -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/" "$corpus"
