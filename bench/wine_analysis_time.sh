#!/usr/bin/env bash
# Times the dialog program's analysis runs under Wine on a virtual X display: for each program and
# capture, RUNS runs of the driver's time-analysis scenario (from pressing Analyze until the
# summary stands in the results box). A run longer than LIMIT seconds is stopped and its rate
# printed instead.
#
#   bench/wine_analysis_time.sh [-n RUNS] [-l LIMIT] DRIVER_EXE PROGRAM_EXE... -- CAPTURE...
#
# DRIVER_EXE is a build's app/wine-driver/zep-wine-driver.exe; the programs may come from other
# builds. The Wine prefix is kept in ${ZEP_WINE_TIME_PREFIX:-/tmp/zep-wine-time-prefix}.
set -euo pipefail

runs=2
limit=600
while getopts "n:l:" option; do
    case "$option" in
        n) runs="$OPTARG" ;;
        l) limit="$OPTARG" ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
if [ "$#" -lt 4 ]; then
    echo "usage: $0 [-n RUNS] [-l LIMIT] DRIVER_EXE PROGRAM_EXE... -- CAPTURE..." >&2
    exit 2
fi
driver="$1"
shift
programs=()
while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do
    programs+=("$1")
    shift
done
shift
captures=("$@")

xvfb_pid=""
work="$(mktemp -d /tmp/zep-wine-time.XXXXXX)"
cleanup() {
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

display_number=110
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
    display_number=$((display_number + 1))
done
export DISPLAY=":$display_number"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display_number" ] && break
    sleep 0.1
done

export WINEPREFIX="${ZEP_WINE_TIME_PREFIX:-/tmp/zep-wine-time-prefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i >/dev/null 2>&1
    # No window manager on the virtual display: windows draw their own frames.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
fi

win() { winepath -w "$1" 2>/dev/null; }
for program in "${programs[@]}"; do
    for capture in "${captures[@]}"; do
        for run in $(seq "$runs"); do
            result="$(timeout -k 10 $((limit + 120)) wine "$driver" time-analysis \
                "program=$(win "$program")" "work=$(win "$work")" \
                "capture=$(win "$capture")" "time-limit=$limit" 2>&1 |
                grep -E 'summary after|stopped after|FAIL' | tr '\n' ' ' || true)"
            echo "$(basename "$(dirname "$(dirname "$program")")") $(basename "$capture")" \
                "run $run: ${result:-no result}"
            wineserver -k 2>/dev/null || true
            wineserver -w 2>/dev/null || true
        done
    done
done
