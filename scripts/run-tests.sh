#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the native suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows cross builds.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/install-deps.sh"

echo "== native build and tests"
"$top/scripts/build.sh" "$top/build"
(cd "$top/build" && ctest --output-on-failure -j"$jobs")

echo "== sanitizer build and tests"
"$top/scripts/build.sh" "$top/build-sanitize" -DZEP_SANITIZE=ON
(cd "$top/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$jobs")

echo "== Windows cross builds"
for arch in i686 x86_64; do
    "$top/scripts/build.sh" "$top/build-windows-$arch" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake"
done

echo "== Windows command-line program under Wine"
if command -v wine >/dev/null; then
    "$top/scripts/test-windows-cli.sh" "$top/build" "$top/build-windows-i686" "$top/build-windows-x86_64"
else
    echo "skipped: Wine is not installed"
fi

echo "All tests passed."
