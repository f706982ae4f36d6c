#!/usr/bin/env bash
# Runs two builds of the command-line program on the same captures and compares what they write:
# output.txt, the summary on standard output, the exit status and log.txt without its time stamps.
#   compare-builds.sh OLD_PROGRAM NEW_PROGRAM CAPTURE... [-- EXTRA ARGUMENTS FOR BOTH]
# NEW_ARGS (in the environment) are given to the new program only, e.g. NEW_ARGS="--pairing address".
set -uo pipefail
old=$1 new=$2
shift 2
captures=()
while (($#)) && [[ $1 != -- ]]; do captures+=("$1"); shift; done
[[ ${1:-} == -- ]] && shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
differ=0
for capture in "${captures[@]}"; do
    capture=$(realpath "$capture")
    for side in old new; do
        # Both run in the same folder: the report's path is part of what they print.
        rm -rf "$work/$side" "$work/run" && mkdir -p "$work/run"
        program=$old only=()
        [[ $side == new ]] && program=$new && read -ra only <<<"${NEW_ARGS:-}"
        (cd "$work/run" && "$program" --no "${only[@]}" "$@" "$capture" >stdout 2>/dev/null; echo "exit $?" >>stdout)
        for log in "$work"/run/log.txt "$work"/run/Debuglog.txt; do
            [[ -f $log ]] && sed -i 's/^\[[0-9 :-]*\]//' "$log"
        done
        mv "$work/run" "$work/$side"
    done
    if ! diff -r -q "$work/old" "$work/new" >/dev/null; then
        echo "differs: $capture"
        differ=$((differ + 1))
    fi
done
echo "${#captures[@]} captures compared, $differ differ"
((differ == 0))
