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

# One series: megapixels and median milliseconds of one path for one kind
# of picture, from the columns picture,...,megapixels(4),path(5),...,median_ms(8).
series() {
    printf "'< awk -F, -v p=\"%s\" -v k=\"%s\" \"NR > 1 \\&\\& \\$1 == k \\&\\& \\$5 == p { print \\$4, \\$8 }\" %s'" \
        "$1" "$2" "$csv"
}

kinds=$(awk -F, 'NR > 1 && !seen[$1]++ { print $1 }' "$csv")
count=$(printf '%s\n' "$kinds" | wc -l)
{
    printf 'set terminal svg size %d,520 dynamic font "DejaVu Sans,11" background "#ffffff"\n' $((count * 430))
    printf 'set output "%s"\n' "$svg"
    printf 'set multiplot layout 1,%d title "Capture latency: xclip started to complete file (median ms)"\n' "$count"
    printf 'set logscale xy\nset grid xtics ytics mxtics mytics lc rgb "#dddddd"\n'
    printf 'set xlabel "megapixels"\nset ylabel "ms"\nset key top left font ",9" spacing 0.9\n'
    printf 'set xtics ("720p" 0.92, "1080p" 2.07, "4K" 8.29, "8K" 33.18)\n'
    for kind in $kinds; do
        printf 'set title "%s"\n' "$kind"
        printf 'plot '
        printf '%s with linespoints lw 3 lc rgb "#000000" dt 1 pt 7 title "bare fetch+decode (PNG offer)", ' "$(series "bare fetch+decode PNG" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#777777" dt 2 pt 7 title "bare fetch+decode (BMP offer)", ' "$(series "bare fetch+decode BMP" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#1f4e9a" pt 5 title "BMP", ' "$(series "Pictarro BMP" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#c00000" pt 9 title "JPEG q75", ' "$(series "Pictarro JPEG q75" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#2e8b57" pt 13 title "PNG as offered", ' "$(series "Pictarro PNG as offered" "$kind")"
        printf '%s with linespoints lw 2 lc rgb "#d08000" pt 11 title "PNG encoded (BMP offer)"\n' "$(series "Pictarro PNG encoded" "$kind")"
    done
    printf 'unset multiplot\n'
} | gnuplot
echo "chart_capture.sh: wrote $svg"
