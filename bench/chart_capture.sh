#!/bin/sh
# Turns the CSV of bench_capture_latency (bench_capture.sh --csv FILE) into
# an SVG chart: median capture latency against picture size, one panel per
# kind of picture, one line per path, the bare fetch and decode beside them.
#
#   bench/chart_capture.sh FIGURES.csv CHART.svg
#
# Needs gnuplot (Debian package gnuplot-nox).
set -eu
if [ $# -ne 2 ]; then
    echo "usage: $0 FIGURES.csv CHART.svg" >&2
    exit 2
fi
csv=$1
svg=$2
command -v gnuplot >/dev/null 2>&1 || { echo "chart_capture.sh: gnuplot is missing" >&2; exit 1; }
[ -r "$csv" ] || { echo "chart_capture.sh: cannot read $csv" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/chart_capture.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One series: a file of megapixels and median milliseconds for one path and
# one kind of picture, from the CSV's columns picture(1), megapixels(4),
# path(5) and median_ms(8).
series() {
    file="$work/$(printf '%s-%s' "$2" "$1" | tr -c 'A-Za-z0-9.\n-' '_').dat"
    awk -F, -v p="$1" -v k="$2" 'NR > 1 && $1 == k && $5 == p { print $4, $8 }' "$csv" >"$file"
    printf "'%s'" "$file"
}

kinds=$(awk -F, 'NR > 1 && !seen[$1]++ { print $1 }' "$csv")
count=$(printf '%s\n' "$kinds" | wc -l)
{
    printf 'set terminal svg size %d,520 dynamic font "DejaVu Sans,11" background "#ffffff"\n' $((count * 430))
    printf 'set output "%s"\n' "$svg"
    printf 'set multiplot layout 1,%d title "Capture latency: xclip started to complete file (median ms)"\n' "$count"
    printf 'set logscale xy\nset grid xtics ytics mxtics mytics lc rgb "#dddddd"\n'
    printf 'set xlabel "picture size"\nset ylabel "ms"\nset key top left font ",9" spacing 0.9 opaque box\nset xrange [0.6:50]\n'
    printf 'set xtics ("720p" 0.92, "1080p" 2.07, "4K" 8.29, "8K" 33.18)\n'
    for kind in $kinds; do
        printf 'set title "%s"\n' "$kind"
        printf 'plot '
        printf '%s with linespoints lw 3 lc rgb "#000000" dt 1 pt 7 title "bare fetch+decode (PNG offer)", ' "$(series "bare fetch+decode PNG" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#777777" dt 2 pt 7 title "bare fetch+decode (BMP offer)", ' "$(series "bare fetch+decode BMP" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#1f4e9a" pt 5 title "BMP", ' "$(series "Pictarro BMP" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#c00000" pt 9 title "JPEG q75", ' "$(series "Pictarro JPEG q75" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#2e8b57" pt 13 title "PNG as offered, back to back", ' "$(series "Pictarro PNG as offered" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#2e8b57" dt 3 pt 12 title "PNG as offered, 3.5 s apart", ' "$(series "Pictarro PNG as offered 3.5 s apart" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#d08000" pt 11 title "PNG encoded (BMP offer)"\n' "$(series "Pictarro PNG encoded" "$kind")"
    done
    printf 'unset multiplot\n'
} | gnuplot
echo "chart_capture.sh: wrote $svg"
