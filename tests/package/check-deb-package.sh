#!/usr/bin/env bash
# Makes the Debian package of a native build, checks its contents and dependencies, installs
# it in a scratch root (dpkg -x) and runs the installed program on the example capture: its
# report must be the build's report, byte for byte; with yaml-cpp, it reads a YAML map too.
# Usage: check-deb-package.sh BUILD_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
capture="$top/examples/example.pcap"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL $build: $*"; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package") \
    >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
package=$(ls "$work"/package/zep-modbus-parser_*.deb)

contents=$(dpkg-deb -c "$package" | awk '{print $6}')
for path in ./usr/bin/zep-modbus-parser ./usr/share/man/man1/zep-modbus-parser.1 \
    ./usr/share/bash-completion/completions/zep-modbus-parser \
    ./usr/share/doc/zep-modbus-parser/NOTICE ./usr/share/doc/zep-modbus-parser/README.md; do
    grep -qx "$path" <<<"$contents" || fail "the package lacks $path"
done

depends=$(dpkg-deb -f "$package" Depends)
grep -q 'libc6' <<<"$depends" || fail "Depends lacks libc6: $depends"
web=$(grep -E '^ZEP_WITH_WEB:BOOL=' "$build/CMakeCache.txt" | cut -d= -f2)
if [ "$web" = ON ]; then
    grep -q 'libcurl4' <<<"$depends" || fail "Depends lacks libcurl4: $depends"
else
    ! grep -q 'curl' <<<"$depends" || fail "a build without the web part depends on curl: $depends"
fi
grep -q 'zlib1g' <<<"$depends" || fail "Depends lacks zlib1g (gzip-compressed captures): $depends"
pcap=$(grep -E '^ZEP_WITH_LIBPCAP:BOOL=' "$build/CMakeCache.txt" | cut -d= -f2)
if [ "$pcap" = ON ]; then
    grep -q 'libpcap' <<<"$depends" || fail "Depends lacks libpcap (live capture): $depends"
else
    ! grep -q 'pcap' <<<"$depends" || fail "a build without libpcap depends on it: $depends"
fi
yaml=$(grep -E '^ZEP_WITH_YAML:BOOL=' "$build/CMakeCache.txt" | cut -d= -f2)
if [ "$yaml" = ON ]; then
    grep -q 'libyaml-cpp' <<<"$depends" || fail "Depends lacks libyaml-cpp: $depends"
else
    ! grep -q 'yaml' <<<"$depends" || fail "a build without yaml-cpp depends on it: $depends"
fi

dpkg -x "$package" "$work/root"
mkdir "$work/installed" "$work/built"
"$work/root/usr/bin/zep-modbus-parser" -q --no -C "$work/installed" "$capture" >/dev/null ||
    fail "the installed program failed"
"$build/cli/zep-modbus-parser" -q --no -C "$work/built" "$capture" >/dev/null
cmp -s "$work/installed/output.txt" "$work/built/output.txt" ||
    fail "the installed program's report differs from the build's"
if [ "$yaml" = ON ]; then
    printf -- '- {name: Setpoint, address: 107, slave: 1}\n' >"$work/map.yaml"
    mkdir "$work/mapped"
    "$work/root/usr/bin/zep-modbus-parser" -q --no -C "$work/mapped" --map "$work/map.yaml" \
        "$capture" >/dev/null || fail "the installed program failed with a YAML register map"
fi
echo "ok   $(basename "$package") (Depends: $depends)"
