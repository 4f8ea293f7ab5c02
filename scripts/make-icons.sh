#!/usr/bin/env bash
# Renders the window icons from their SVG sources (window/image/src) to the PNGs that the
# resource collection holds (window/image). The PNGs are committed, so only run this after
# changing a source. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source_dir="$root/window/image/src"
image_dir="$root/window/image"

if ! command -v rsvg-convert >/dev/null; then
    echo "make-icons.sh: rsvg-convert not found; install librsvg2-bin" >&2
    exit 1
fi

# name, pixel size (width x height) and, where it differs from the name, the source of every image
icons=(
    "logo.about 1024x1024"
    # Smaller renditions of the logo for the window icon: the window system gets every size an
    # icon has, and 1024 x 1024 alone is four megabytes sent at each start.
    "logo.16 16x16 logo.about" "logo.32 32x32 logo.about" "logo.48 48x48 logo.about"
    "logo.64 64x64 logo.about" "logo.128 128x128 logo.about" "logo.256 256x256 logo.about"
    "label.icon.title 48x48"
    "btn.min.1 34x34" "btn.min.2 34x34" "btn.min.3 34x34"
    "btn.max.1 34x34" "btn.max.2 34x34" "btn.max.3 34x34"
    "btn.restore.1 34x34" "btn.restore.2 34x34" "btn.restore.3 34x34"
    "btn.close.1 34x34" "btn.close.2 34x34" "btn.close.3 34x34"
    "btn.user 28x30"
    "btn.customer 28x28"
    "btn.menu 14x14"
    "label.user.avatar 30x30"
)

for entry in "${icons[@]}"; do
    read -r name size source <<<"$entry"
    width="${size%x*}"
    height="${size#*x}"
    rsvg-convert --width "$width" --height "$height" --format png \
        --output "$image_dir/$name.png" "$source_dir/${source:-$name}.svg"
    echo "$name.png ${width}x${height}"
done

# The Windows program's icon resource (app/tapwise.rc) from the same renditions.
python3 "$root/scripts/make-ico.py" "$image_dir/logo.ico" \
    "$image_dir"/logo.{16,32,48,64,128,256}.png
echo "logo.ico"
