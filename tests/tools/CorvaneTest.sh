#!/bin/sh
# The corvane program's own options: --version, --help with a line per subcommand, and the usage
# with exit status 2 for an option it does not know or no command at all.
# Run as: CorvaneTest.sh CORVANE VERSION
set -u
corvane=$1
version=$2
export corvane
. "$(dirname "$0")/../CommandTestSupport.sh"

expect 0 "^corvane $version\$" '$corvane --version'
for command in info categories streams xml window design run; do
  expect 0 "^  $command " '$corvane --help'
done
expect 2 "^corvane: unknown option '--verbose'" '$corvane --verbose'
expect 2 '^usage: corvane COMMAND' '$corvane --verbose'
expect 2 '^usage: corvane COMMAND' '$corvane'
expect 2 "^corvane info: unknown option '--all'" '$corvane info --all'
expect 0 '^usage: corvane xml check FILE' '$corvane xml --help'

[ $failures -eq 0 ]
