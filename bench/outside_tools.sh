# Sourced by the compare_*.sh scripts: finds the outside programs they time ours against.
# Sets magick_cmd (an array, empty when ImageMagick is missing) and have_vips (0 or 1).

# ImageMagick 7 is `magick`; version 6 is `convert` (skip stand-ins that are not it).
magick_cmd=()
if command -v magick >/dev/null 2>&1; then
    magick_cmd=(magick)
else
    for c in convert-im6.q16 /usr/bin/convert convert; do
        if command -v "$c" >/dev/null 2>&1 && "$c" -version 2>/dev/null | grep -q ImageMagick; then
            magick_cmd=("$c")
            break
        fi
    done
fi
have_vips=0
command -v vips >/dev/null 2>&1 && have_vips=1
