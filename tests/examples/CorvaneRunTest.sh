#!/bin/sh
# corvane run: the example graph runs for a second and reports each component, also when Ctrl-C
# stops it; the example components work end to end; bad graphs fail with exit status 1 and a
# message naming the line.
# Run as: CorvaneRunTest.sh CORVANE GRAPHS_DIR
set -u
corvane=$1
graphs=$2
export corvane graphs
. "$(dirname "$0")/../CommandTestSupport.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export work

expect 0 '^Sine +TSineGenerator +[0-9]+ +[0-9]+ +0$' '$corvane run "$graphs/sine-gain-statistics.yaml" --seconds 1'
expect 0 '^Gain +TExampleGainFilter +[0-9]+ +[0-9]+ +0$' '$corvane run "$graphs/sine-gain-statistics.yaml" --seconds 1'
expect 0 '^Statistics +TStatisticsSink .*rms 0.35' '$corvane run "$graphs/sine-gain-statistics.yaml" --seconds 1'
expect 0 '^wall time 1\.' '$corvane run "$graphs/sine-gain-statistics.yaml" --seconds 1'
# Ctrl-C stops the graph, which still reports, with status 130.
expect 130 '^stopped by Ctrl-C' '$corvane run "$graphs/sine-gain-statistics.yaml" & sleep 1; kill -INT $!; wait $!'
expect 130 '^Statistics +TStatisticsSink +[1-9]' '$corvane run "$graphs/sine-gain-statistics.yaml" & sleep 1; kill -INT $!; wait $!'

# Noise of amplitude 1 is uniform: its RMS is 1/sqrt(3).
printf 'class: TGraph\ncomponents:\n  - class: TNoiseGenerator\n    name: Noise\n  - class: TStatisticsSink\n    properties:\n      InputPin:\n        SourcePin: "Noise.OutputPin"\n...\n' > "$work/noise.yaml"
expect 0 'rms 0\.5[6-9]' '$corvane run "$work/noise.yaml" --seconds 0.3'

# A WAV file of one or two 100 ms buffers of a full-scale sine, then played back to its end.
cat > "$work/write.yaml" <<'GRAPH'
class: TGraph
components:
  - class: TSineGenerator
    name: Sine
    properties:
      SampleRate: 48000
      BufferSize: 4800
  - class: TWavLogger
    name: Logger
    properties:
      FileName: "WORK/tone.wav"
      InputPin:
        SourcePin: "Sine.OutputPin"
...
GRAPH
sed -i "s|WORK|$work|" "$work/write.yaml"
expect 0 '^Logger +TWavLogger +[12] +(4800|9600) ' '$corvane run "$work/write.yaml" --seconds 0.15'
cat > "$work/play.yaml" <<'GRAPH'
class: TGraph
components:
  - class: TWavPlayer
    name: Player
    properties:
      FileName: "WORK/tone.wav"
      BufferSize: 1000
  - class: TStatisticsSink
    name: Statistics
    properties:
      InputPin:
        SourcePin: "Player.OutputPin"
...
GRAPH
sed -i "s|WORK|$work|" "$work/play.yaml"
expect 0 '^Statistics +TStatisticsSink +(5|10) +(4800|9600) .*rms 0.70' '$corvane run "$work/play.yaml"'

# The shipped graphs that write and read WAV files, run in a scratch folder: the adder's output is
# written while it runs, then played back through the threaded gain to the end of the file.
expect 0 '^Adder +TExampleAdder +[1-9][0-9]* ' 'cd "$work" && $corvane run "$graphs/noise-sine-adder-wav.yaml" --seconds 0.5'
expect 0 '^Gain +TExampleGainFilter +([1-9][0-9]*) +[0-9]+ +0$' 'cd "$work" && $corvane run "$graphs/wav-gain-wav.yaml"'
expect 0 'frames written to half.wav' 'cd "$work" && $corvane run "$graphs/wav-gain-wav.yaml"'

bad() {  # bad NAME PATTERN: the graph in $work/NAME.yaml fails with PATTERN
  expect 1 "$2" "\$corvane run \"\$work/$1.yaml\""
}
printf 'class: TGraph\ncomponents:\n  - class: TNoSuchGenerator\n...\n' > "$work/class.yaml"
bad class '^.*/class.yaml: Line 3, column .*TNoSuchGenerator'
printf 'class: TGraph\ncomponents:\n  - class: TSineGenerator\n    name: Sine\n    properties:\n      NoSuchPin:\n        SourcePin: "X.Y"\n...\n' > "$work/pin.yaml"
bad pin '^.*/pin.yaml: Line 6, column .*NoSuchPin'
printf 'class: TGraph\ncomponents:\n  - class: TSineGenerator\n    name: Sine\n  - class: TStatisticsSink\n    properties:\n      InputPin:\n        SourcePin: "Sine.ClockPin"\n...\n' > "$work/connection.yaml"
bad connection '^.*/connection.yaml: Line 8, column '
expect 1 'Cannot open file' '$corvane run "$work/missing.yaml"'
sed "s|$work/tone.wav|$work/none.wav|" "$work/play.yaml" > "$work/none.yaml"
bad none '^.*/none.yaml: Line .*Cannot open file ".*none.wav"'

[ $failures -eq 0 ]
