#!/usr/bin/env bash
# Runs the Windows dialog program under Wine on a virtual X display and drives it with the test
# driver of the same build, for each build directory given (i686 and x86_64 cross builds).
#
#   tests/app/run-wine-tests.sh BUILD_DIR [BUILD_DIR...]
#
# Each build must have been configured with the maker's web host on a loopback address, for
# example -DZEP_MAKER_WEB_HOST=127.0.0.77, because this script starts the test web server there,
# on port 80: the program speaks plain HTTP only to port 80, so this needs root (or the right to
# bind low ports). Results, logs and the
# screenshots (main-dialog.png, about-box.png) go to BUILD_DIR/wine-tests/.
# ZEP_WINE_SCENARIOS may name the scenarios to run (default: all).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
scenarios="${ZEP_WINE_SCENARIOS:-resources layout settings updates analysis about link menus}"

if [ "$#" -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [BUILD_DIR...]" >&2
    exit 2
fi
for tool in wine wineboot wineserver winepath Xvfb import python3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "run-wine-tests: $tool is missing (tests/app/install-wine.sh installs it)" >&2
        exit 2
    fi
done

background_pids=()
cleanup() {
    for pid in "${background_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
    fi
}
trap cleanup EXIT

# A display of our own.
display_number=90
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
    display_number=$((display_number + 1))
done
export DISPLAY=":$display_number"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
background_pids+=($!)
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display_number" ] && break
    sleep 0.1
done

cache_value() {
    sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

overall=0
for build in "$@"; do
    build="$(cd "$build" && pwd)"
    out="$build/wine-tests"
    program="$build/app/ZEP Modbus TCP Parser.exe"
    driver="$build/app/wine-driver/zep-wine-driver.exe"
    cli="$build/cli/zep-modbus-parser.exe"
    for file in "$program" "$driver" "$cli"; do
        if [ ! -f "$file" ]; then
            echo "run-wine-tests: $file is missing; build $build first" >&2
            exit 2
        fi
    done
    host="$(cache_value "$build" ZEP_MAKER_WEB_HOST)"
    email="$(cache_value "$build" ZEP_SUPPORT_EMAIL)"
    if ! [[ "$host" =~ ^(127\.[0-9]+\.[0-9]+\.[0-9]+)(:80)?$ ]]; then
        echo "run-wine-tests: $build was built for the web host '$host';" \
             "configure it with -DZEP_MAKER_WEB_HOST=127.0.0.77 (a loopback address)" >&2
        exit 2
    fi
    address="${BASH_REMATCH[1]}"

    echo "== $build (web host $host)"
    rm -rf "$out"
    mkdir -p "$out/work" "$out/server" "$out/screenshots" "$out/captures"
    export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # Wine's own fonts (MS Sans Serif, Tahoma, Marlett for the frame buttons) where the
    # distribution keeps them apart from the prefix.
    if [ -d /usr/share/wine/fonts ]; then
        cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    # Windows draw their own frames (there is no window manager on the virtual display), and the
    # browser that the shell starts for web addresses is a recorder.
    cat >"$out/record-browser.sh" <<RECORDER
#!/bin/sh
for address in "\$@"; do printf '%s\\n' "\$address" >>"$out/browser.log"; done
RECORDER
    chmod +x "$out/record-browser.sh"
    : >"$out/browser.log"
    wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ \
        /d "$out/record-browser.sh" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w

    python3 "$here/make_test_captures.py" "$out/captures"

    python3 "$here/maker_test_server.py" --address "$address" --port 80 --state "$out/server" \
        >"$out/server.out" 2>&1 &
    server_pid=$!
    background_pids+=($server_pid)
    for _ in $(seq 100); do
        grep -q READY "$out/server.out" 2>/dev/null && break
        sleep 0.1
    done
    if ! grep -q READY "$out/server.out"; then
        echo "run-wine-tests: the test web server did not start on $address port 80" >&2
        cat "$out/server.out" >&2
        exit 1
    fi

    # Screenshots on request of the driver: NAME.request holds WxH+X+Y.
    (
        while true; do
            for request in "$out"/screenshots/*.request; do
                [ -e "$request" ] || continue
                name="${request%.request}"
                import -display "$DISPLAY" -window root -crop "$(cat "$request")" +repage \
                    "$name.png" >/dev/null 2>&1 || true
                rm -f "$request"
                touch "$name.done"
            done
            sleep 0.2
        done
    ) &
    watcher_pid=$!
    background_pids+=($watcher_pid)

    win() { winepath -w "$1" 2>/dev/null; }
    settings=(
        "program=$(win "$program")"
        "cli=$(win "$cli")"
        "work=$(win "$out/work")"
        "server=$(win "$out/server")"
        "browser-log=$(win "$out/browser.log")"
        "shots=$(win "$out/screenshots")"
        "captures=$(win "$out/captures")"
        "host=$host"
        "support-email=$email"
    )
    for scenario in $scenarios; do
        # Into a file, not a pipe: programs that the shell starts under Wine inherit the output
        # and may outlive the scenario.
        set +e
        timeout -k 10 600 wine "$driver" "$scenario" "${settings[@]}" >"$out/$scenario.log" 2>&1
        status=$?
        set -e
        grep -v '^wine: ' "$out/$scenario.log" || true
        if [ "$status" -ne 0 ]; then
            echo "   scenario $scenario FAILED (status $status)"
            overall=1
            # Leave nothing of a failed scenario running into the next one.
            wineserver -k 2>/dev/null || true
            wineserver -w 2>/dev/null || true
        fi
    done
    rm -f "$out"/screenshots/*.done

    kill "$watcher_pid" "$server_pid" 2>/dev/null || true
    wait "$watcher_pid" "$server_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    echo "   screenshots: $(ls "$out"/screenshots/*.png 2>/dev/null | tr '\n' ' ')"
done

if [ "$overall" -eq 0 ]; then
    echo "run-wine-tests: all scenarios passed"
else
    echo "run-wine-tests: some scenarios FAILED"
fi
exit "$overall"
