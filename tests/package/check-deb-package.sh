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
built_with() { grep -qx "$1:BOOL=ON" "$build/CMakeCache.txt"; }
# An optional part built in must be a dependency; one left out must not be.
depends_as_built() { # CACHE_OPTION PACKAGE_PATTERN LEFT_OUT_PATTERN WHAT
    if built_with "$1"; then
        grep -q "$2" <<<"$depends" || fail "Depends lacks $2 ($4): $depends"
    else
        ! grep -q "$3" <<<"$depends" || fail "a build without $4 depends on it: $depends"
    fi
}
depends_as_built ZEP_WITH_WEB libcurl4 curl "the web part"
depends_as_built ZEP_WITH_LIBPCAP libpcap pcap "live capture"
depends_as_built ZEP_WITH_YAML libyaml-cpp yaml "yaml-cpp"
grep -q 'zlib1g' <<<"$depends" || fail "Depends lacks zlib1g (gzip-compressed captures): $depends"

dpkg -x "$package" "$work/root"
mkdir "$work/installed" "$work/built"
"$work/root/usr/bin/zep-modbus-parser" -q --no -C "$work/installed" "$capture" >/dev/null ||
    fail "the installed program failed"
"$build/cli/zep-modbus-parser" -q --no -C "$work/built" "$capture" >/dev/null
cmp -s "$work/installed/output.txt" "$work/built/output.txt" ||
    fail "the installed program's report differs from the build's"
if built_with ZEP_WITH_YAML; then
    printf -- '- {name: Setpoint, address: 107, slave: 1}\n' >"$work/map.yaml"
    mkdir "$work/mapped"
    "$work/root/usr/bin/zep-modbus-parser" -q --no -C "$work/mapped" --map "$work/map.yaml" \
        "$capture" >/dev/null || fail "the installed program failed with a YAML register map"
fi
echo "ok   $(basename "$package") (Depends: $depends)"
