#!/bin/sh
# Installs the build to a scratch prefix and checks what its shared libraries export: every
# defined dynamic symbol, demangled, belongs to the namespaces kelvra, pinweave or corvane (or is
# a vtable, type information, thunk or guard variable of theirs), and none to the built-in
# kernels. Run as: ExportedSymbolsTest.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || exit 1

libraries=$(find "$prefix" -name 'lib*.so.*' -type f)
[ -n "$libraries" ] || { echo "no shared libraries installed"; exit 1; }
ours='(kelvra|pinweave|corvane)::'
failures=0
for library in $libraries; do
  names=$(nm -D --defined-only -C "$library" | cut -d' ' -f3-)
  outside=$(printf '%s\n' "$names" | grep -Ev "^$ours|^.* (for|to) $ours")
  kernels=$(printf '%s\n' "$names" | grep 'corvane::kernels::')
  leaks=$(printf '%s\n%s' "$outside" "$kernels" | grep .)
  if [ -n "$leaks" ]; then
    printf '%s exports %s symbols outside the namespaces, such as\n' "$library" "$(echo "$leaks" | wc -l)"
    printf '%s\n' "$leaks" | head -20
    failures=$((failures + 1))
  fi
done
# The API is there: the start-up and a dispatch slot.
nm -D --defined-only -C "$prefix"/lib*/libcorvane.so.* | grep -q ' corvane::ippsAdd_64f$' &&
  nm -D --defined-only -C "$prefix"/lib*/libcorvane.so.* | grep -q ' corvane::Initialize()$' ||
  { echo "libcorvane does not export its API"; failures=$((failures + 1)); }
[ $failures -eq 0 ]
