# Shared by the command tests, sourced by sh. `expect STATUS PATTERN COMMAND` runs COMMAND with
# sh -c and counts a failure, printing what happened, unless it exits with STATUS and its output
# and error output hold a line that PATTERN (grep -E) matches. The script ends with
# `[ $failures -eq 0 ]`.
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
