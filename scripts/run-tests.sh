#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the native suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Debian package, the build without the
# web part, and the Windows programs (i686 and x86_64) under Wine: the console program against
# the native one, the dialog program driven for real. Every build treats warnings as errors.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/install-deps.sh"
"$top/tests/app/install-wine.sh"

echo "== layer order of the includes"
"$top/scripts/check-layers.sh"

echo "== native build and tests"
"$top/scripts/build.sh" "$top/build" -DZEP_WERROR=ON
(cd "$top/build" && ctest --output-on-failure -j"$jobs")

echo "== Debian package, installed in a scratch root"
"$top/tests/package/check-deb-package.sh" "$top/build"

echo "== sanitizer build and tests"
"$top/scripts/build.sh" "$top/build-sanitize" -DZEP_WERROR=ON -DZEP_SANITIZE=ON
(cd "$top/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$jobs")

echo "== build without the web part (no HTTP client, update check or feedback)"
"$top/scripts/build.sh" "$top/build-noweb" -DZEP_WERROR=ON -DZEP_WITH_WEB=OFF
(cd "$top/build-noweb" && ctest --output-on-failure -j"$jobs")
"$top/tests/package/check-deb-package.sh" "$top/build-noweb"
"$top/scripts/build.sh" "$top/build-windows-x86_64-noweb" -DZEP_WERROR=ON -DZEP_WITH_WEB=OFF \
    -DZEP_BUILD_WINE_DRIVER=OFF -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake"

echo "== Windows cross builds (the maker's web host is the Wine tests' loopback server)"
for arch in i686 x86_64; do
    "$top/scripts/build.sh" "$top/build-windows-$arch" -DZEP_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" -DZEP_MAKER_WEB_HOST=127.0.0.77
    (cd "$top/build-windows-$arch" && cpack -G ZIP >/dev/null)
    python3 -m zipfile -l "$top"/build-windows-$arch/zep-modbus-parser-*.zip |
        grep -q 'ZEP Modbus TCP Parser.exe' || { echo "FAIL: the $arch zip lacks the dialog program"; exit 1; }
done

echo "== Windows command-line program under Wine"
"$top/scripts/test-windows-cli.sh" "$top/build" "$top/build-windows-i686" "$top/build-windows-x86_64"

echo "== Windows dialog program under Wine"
"$top/tests/app/run-wine-tests.sh" "$top/build-windows-i686" "$top/build-windows-x86_64"

echo "All tests passed."
