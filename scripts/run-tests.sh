#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the native suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows programs (i686 and x86_64)
# under Wine: the console program against the native one, the dialog program driven for real.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/install-deps.sh"
"$top/tests/app/install-wine.sh"

echo "== native build and tests"
"$top/scripts/build.sh" "$top/build"
(cd "$top/build" && ctest --output-on-failure -j"$jobs")

echo "== sanitizer build and tests"
"$top/scripts/build.sh" "$top/build-sanitize" -DZEP_SANITIZE=ON
(cd "$top/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$jobs")

echo "== Windows cross builds (the maker's web host is the Wine tests' loopback server)"
for arch in i686 x86_64; do
    "$top/scripts/build.sh" "$top/build-windows-$arch" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
        -DZEP_MAKER_WEB_HOST=127.0.0.77
done

echo "== Windows command-line program under Wine"
"$top/scripts/test-windows-cli.sh" "$top/build" "$top/build-windows-i686" "$top/build-windows-x86_64"

echo "== Windows dialog program under Wine"
"$top/tests/app/run-wine-tests.sh" "$top/build-windows-i686" "$top/build-windows-x86_64"

echo "All tests passed."
