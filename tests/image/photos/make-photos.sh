#!/usr/bin/env bash
# Makes the photographs the image tests read, all from one generated source picture: a smooth
# 48 x 32 blend of four different corner colours (so every turn and mirror shows), saved in
# every format and variant the program reads or must refuse. Needs ImageMagick, exiftool and
# jpegtran (scripts/install-deps.sh installs them). The results are committed; run this to remake them.
set -euo pipefail
cd "$(dirname "$0")"

convert -size 48x32 xc: -sparse-color bilinear \
  '0,0 rgb(200,30,30) 47,0 rgb(30,200,30) 0,31 rgb(30,30,200) 47,31 rgb(220,220,60)' -depth 8 source.ppm

convert source.ppm BMP3:photo-24.bmp                                   # the classic BMP
convert source.ppm -alpha on -channel A -evaluate set 100% +channel -define bmp:format=bmp5 BMP:photo-32-v5.bmp
# ImageMagick writes no 108-byte header: the version 4 file is the version 5 one without the last
# 16 header bytes (the colour profile fields), its offsets moved by as much.
/usr/bin/python3 - <<'PY'
import struct
data = bytearray(open("photo-32-v5.bmp", "rb").read())
header = data[14:14 + 108]
struct.pack_into("<I", header, 0, 108)
offset = struct.unpack_from("<I", data, 10)[0] - 16
pixels = data[14 + 124:]
out = bytearray(data[:14]) + header + pixels
struct.pack_into("<I", out, 2, len(out))
struct.pack_into("<I", out, 10, offset)
open("photo-32-v4.bmp", "wb").write(out)
PY
convert source.ppm -colors 64 -type Palette -compress None BMP3:photo-8-palette.bmp
convert photo-8-palette.bmp -type TrueColor BMP3:photo-8-palette-as-24.bmp
convert source.ppm -colors 16 -compress RLE BMP3:photo-rle8.bmp
convert source.ppm -colors 16 -compress None BMP3:photo-4-palette.bmp
convert source.ppm -monochrome BMP3:photo-1-bit.bmp
convert source.ppm -colors 252 BMP2:photo-os2.bmp              # palette cut to what is used
convert source.ppm -define bmp:subtype=RGB565 BMP:photo-16-565.bmp
# Variants ImageMagick does not write, made from the files above by rewriting their bytes.
/usr/bin/python3 make-bmp-variants.py
# ImageMagick's own decoding of every variant, as the classic BMP, is what each must load as.
for variant in photo-rle8 photo-rle4 photo-1-bit photo-os2 photo-16-565 photo-16-gap photo-8-top-down \
    photo-24-colour-table photo-32-top-down; do
  convert "$variant.bmp" -type TrueColor BMP3:"$variant-as-24.bmp"
done
rm photo-4-palette.bmp
convert source.ppm PNG24:photo.png
convert source.ppm -depth 16 PNG48:photo-16.png
# 16-bit samples without gAMA, sRGB or cHRM chunks: sRGB-encoded all the same.
convert source.ppm -depth 16 -define png:exclude-chunks=gAMA,sRGB,cHRM,bKGD,date,tIME PNG48:photo-16-no-gamma.png
convert source.ppm -colorspace Gray -depth 8 -define png:color-type=0 photo-grey.png
convert photo-grey.png -type TrueColor BMP3:photo-grey-24.bmp
convert source.ppm -colors 64 PNG8:photo-palette.png
convert photo-palette.png -type TrueColor BMP3:photo-palette-as-24.bmp
# Alpha 0 on the left half, 1 on the right: laid over black, the left half is black.
convert source.ppm -alpha on -channel A -fx 'i<w/2?0:1' +channel PNG32:photo-alpha.png
convert source.ppm \( -size 24x32 xc:black \) -geometry +0+0 -composite BMP3:photo-alpha-over-black.bmp
convert source.ppm -quality 100 -sampling-factor 1x1 photo-q100.jpg
convert source.ppm -colorspace Gray -quality 100 photo-grey.jpg
jpegtran -progressive photo-q100.jpg > photo-progressive.jpg
convert source.ppm -colorspace CMYK -quality 95 photo-cmyk.jpg          # refused
# Stored turned so that the orientation tag turns them upright again.
for o in 1 3 6 8; do
  case $o in 1) turn=0 ;; 3) turn=180 ;; 6) turn=-90 ;; 8) turn=90 ;; esac
  convert source.ppm -rotate "$turn" -quality 100 -sampling-factor 1x1 "photo-orientation-$o.jpg"
  exiftool -q -n -overwrite_original -Orientation="$o" "photo-orientation-$o.jpg"
done
rm source.ppm
ls -l
