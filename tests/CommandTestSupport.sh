# Shared by the command-line tests: `expect STATUS PATTERN COMMAND` runs COMMAND with sh and
# counts a failure unless it exits with STATUS and its output and error output hold PATTERN
# (grep -E). End a test with `[ $failures -eq 0 ]`.
failures=0
expect() {
  status=$1 pattern=$2 command=$3
  output=$(sh -c "$command" 2>&1)
  actual=$?
  if [ $actual -ne "$status" ] || ! printf '%s\n' "$output" | grep -Eq -- "$pattern"; then
    printf 'FAILED: %s\n  status %s, expected %s; output:\n%s\n' "$command" $actual "$status" "$output"
    failures=$((failures + 1))
  fi
}
