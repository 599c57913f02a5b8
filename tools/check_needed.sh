#!/usr/bin/env bash
# Checks that a program needs no shared library beyond the C runtime, SDL2 and the GL dispatch
# libraries that the runtime packages of SDL2 and GL bring (libGL.so.1, not GLVND's libOpenGL.so.0,
# which comes in a package of its own), and prints what it needs.
# Usage: tools/check_needed.sh PROGRAM...
set -euo pipefail
allowed='^(libc\.so\.6|libm\.so\.6|libgcc_s\.so\.1|libdl\.so\.2|libpthread\.so\.0|librt\.so\.1|ld-linux-x86-64\.so\.2|libSDL2-2\.0\.so\.0|libGL\.so\.1|libGLX\.so\.0|libEGL\.so\.1)$'
status=0
for program in "$@"; do
  needed=$(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
  glibc=$(objdump -T "$program" | grep -o 'GLIBC_[0-9.]*' | sort -V -u | tail -n 1)
  echo "$program needs: $(echo $needed) (highest symbol version $glibc)"
  extra=$(echo "$needed" | grep -v -E "$allowed" || true)
  if [ -n "$extra" ]; then
    echo "$program needs libraries a bare system lacks: $(echo $extra)" >&2
    status=1
  fi
  if objdump -T "$program" | grep -q 'GLIBCXX_\|CXXABI_'; then
    echo "$program needs the shared C++ runtime" >&2
    status=1
  fi
done
exit $status
