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
for command in info categories streams opencl xml window design gallery run; do
  expect 0 "^  $command " '$corvane --help'
done
expect 2 "^corvane: unknown option '--verbose'" '$corvane --verbose'
expect 2 '^usage: corvane COMMAND' '$corvane --verbose'
expect 2 '^usage: corvane COMMAND' '$corvane'
expect 2 "^corvane info: unknown option '--all'" '$corvane info --all'
expect 0 '^usage: corvane xml check FILE' '$corvane xml --help'

# Without any platform (the ICD loader reads an empty folder of vendors) the command says so.
no_vendors=$(mktemp -d)
expect 0 '^no OpenCL platform installed$' "OCL_ICD_VENDORS=$no_vendors \$corvane opencl"
rmdir "$no_vendors"
if [ -n "$(ls /etc/OpenCL/vendors 2>/dev/null)" ]; then
  expect 0 '^  device: .* compute units, [0-9]+ MiB global memory$' '$corvane opencl'
  expect 0 '^a "Default" GPU engine takes: ' '$corvane opencl'
fi

[ $failures -eq 0 ]
