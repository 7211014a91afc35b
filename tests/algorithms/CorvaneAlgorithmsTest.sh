#!/bin/sh
# The `corvane window` and `corvane design` commands, case by case: the exit status, and a
# pattern (grep -E) that their output and error output hold. Run as: CorvaneAlgorithmsTest.sh CORVANE
set -u
. "$(dirname "$0")/../CommandTestSupport.sh"
corvane=$1
export corvane

expect 0 '^# hanning window, order 2 \(4 points\), gain 0\.53033008588991' '$corvane window hanning 2'
expect 0 '^3,0,-0\.1666666666666666.,0\.1666666666666666.$' '$corvane window Bartlett 2 | tail -1'
expect 0 '^0,1,1,1,0$' '$corvane window rect 3 --complex | sed -n 3p'
expect 0 '"gain": 1\.0' '$corvane window rect 3 --json'
expect 0 '^16$' '$corvane window cossum 4 --terms 4 | grep -c "^[0-9]"'
expect 0 '^k,b,a$' '$corvane design iir lowpass --order 4 --f1 1000 --rate 8000 | head -1'
expect 0 '^4$' '$corvane design biquad bandstop --order 4 --f1 1000 --f2 1500 --rate 8000 | grep -c "^[0-9],.*,1,"'
expect 0 '^257$' '$corvane design fir highpass --order 30 --f1 1000 --rate 8000 --window kaiser --param 0.3 | sed -n "/^frequency/,\$p" | tail -n +2 | wc -l'
expect 0 '"power_db"' '$corvane design fir bandpass --order 20 --f1 1000 --f2 2000 --rate 8000 --json'
expect 0 'Usage: corvane design' '$corvane design --help'
# --plot: the response as a 1024x600 PNG (signature, then width and height in the header).
plot=$(mktemp -d)
expect 0 '^ 89 50 4e 47 0d 0a 1a 0a 00 00 00 0d 49 48 44 52 00 00 04 00 00 00 02 58$' \
  "\$corvane design fir lowpass --order 30 --f1 1000 --rate 8000 --plot $plot/r.png >/dev/null && od -An -tx1 -w24 -N24 $plot/r.png"
rm -rf "$plot"
expect 1 'plot/r.png: Cannot create file' '$corvane design fir lowpass --order 4 --f1 1000 --rate 8000 --plot /no/plot/r.png'
# Bad arguments: one line and status 1.
for arguments in 'window welsh 4' 'window hanning 21' 'window kaiser 4' 'window hanning 4 --terms 5' \
    'window cossum 4 --terms 12' 'window hanning' 'design fir lowpass --order 4 --f1 1000' \
    'design fir lowpass --order 0 --f1 1000 --rate 8000' 'design iir lowpass --order 11 --f1 1000 --rate 8000 --prototype bessel' \
    'design fir lowpass --order 4 --f1 5000 --rate 8000' 'design iir bandpass --order 4 --f1 1000 --rate 8000' \
    'design iir bandpass --order 4 --f1 2000 --f2 1000 --rate 8000' 'design iir lowpass --order 4 --f1 1000 --rate 8000 --window hann' \
    'design fir lowpass --order 4 --f1 1000 --rate 8000 --window kaiser' 'design fir low --order 4 --f1 1000 --rate 8000' \
    'design fir lowpass --order four --f1 1000 --rate 8000' \
    'design fir lowpass --order 4 --f1 1000 --rate 8000 --plot /no/plot/r.png'; do
  expect 1 '^corvane (window|design): .+$' "\$corvane $arguments"
  lines=$($corvane $arguments 2>&1 | wc -l)
  [ "$lines" -eq 1 ] || { echo "FAILED: corvane $arguments printed $lines lines"; failures=$((failures + 1)); }
done

[ $failures -eq 0 ]
