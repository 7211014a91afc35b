#!/bin/sh
# The `corvane xml` commands, case by case: the exit status, and a pattern (grep -E) that their
# output and error output hold. Run as: CorvaneXmlTest.sh CORVANE SAMPLE_XML
set -u
corvane=$1
sample=$2
export corvane sample
. "$(dirname "$0")/../CommandTestSupport.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

printf '<a b=1/>' > bad.xml
printf '<a>' > unclosed.xml
mkdir folder
# About 3 KB of text: less than a file's buffer, more than a size limit of one block.
i=0
{
  printf '<r>'
  while [ $i -lt 100 ]; do printf '<item n="%d">some text</item>' $i; i=$((i + 1)); done
  printf '</r>'
} > large.xml

expect 1 'bad.xml: Line constant expected' '$corvane xml check bad.xml'
expect 1 'unclosed.xml: Text "</a>" expected' '$corvane xml check unclosed.xml'
expect 1 'folder: Cannot open file "folder"\.' '$corvane xml check folder'
expect 1 'Stream read error' '$corvane xml check /proc/self/mem'
expect 0 '' '$corvane xml to-binary "$sample" s.bin && $corvane xml to-text s.bin s.xml &&
  $corvane xml format "$sample" > a.txt && $corvane xml format s.xml > b.txt && cmp a.txt b.txt'
expect 0 'elements 4' '$corvane xml to-binary "$sample" p.bin && cat p.bin | $corvane xml check /dev/stdin'
# Write errors, also those that show only when the last buffered bytes are written.
expect 1 '/dev/full: Stream write error' '$corvane xml to-text large.xml /dev/full'
expect 1 '/dev/full: Stream write error' '$corvane xml to-binary large.xml /dev/full'
expect 1 'limited.xml: Stream write error' 'ulimit -f 1; trap "" XFSZ; $corvane xml to-text large.xml limited.xml'
expect 1 'stdout: Stream write error' '$corvane xml format large.xml > /dev/full'
expect 2 'wrong number of files' '$corvane xml to-text only-one'

[ $failures -eq 0 ]
