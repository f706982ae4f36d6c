#!/usr/bin/env bash
# Runs two builds of the command-line program on the same captures and compares what they write:
# output.txt, the summary on standard output, the notices on standard error, the exit status,
# log.txt and Debuglog.txt without their time stamps, and the JSON Lines transaction log.
#   compare-builds.sh OLD_PROGRAM NEW_PROGRAM CAPTURE... [-- EXTRA ARGUMENTS FOR BOTH]
# Each capture is run once in every mode named in MODES (default "plain transaction address"):
#   plain        only --no and the extra arguments (all this script ran before the modes came)
#   transaction  --pairing transaction --debug-log --transactions transactions.jsonl
#   address      --pairing address --debug-log (the program refuses --transactions with it)
# The extra arguments follow the mode's, so a --pairing among them wins; where the program then
# refuses the combination, both builds have to refuse it alike.
# NEW_ARGS (in the environment) are given to the new program only, e.g. NEW_ARGS="--pairing address".
# KEEP=DIR copies the two run folders of every difference to DIR/CAPTURE.MODE/{old,new}.
# TIMEOUT (seconds, default 120) ends a run that hangs; its exit status then tells.
set -uo pipefail
old=$1 new=$2
shift 2
captures=()
while (($#)) && [[ $1 != -- ]]; do captures+=("$1"); shift; done
[[ ${1:-} == -- ]] && shift
declare -A mode_args=(
    [plain]=""
    [transaction]="--pairing transaction --debug-log --transactions transactions.jsonl"
    [address]="--pairing address --debug-log"
)
read -ra modes <<<"${MODES:-plain transaction address}"
for mode in "${modes[@]}"; do
    [[ -v mode_args[$mode] ]] || { echo "unknown mode '$mode' in MODES" >&2; exit 2; }
done
read -ra new_only <<<"${NEW_ARGS:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
differ=0
for capture in "${captures[@]}"; do
    capture=$(realpath "$capture")
    same=1
    for mode in "${modes[@]}"; do
        read -ra mode_only <<<"${mode_args[$mode]}"
        rm -rf "${work:?}/old" "$work/new"
        for side in old new; do
            # Both run in the same folder: the report's path is part of what they print.
            mkdir "$work/run" || exit 2
            program=$old only=()
            [[ $side == new ]] && program=$new only=("${new_only[@]}")
            (cd "$work/run" && timeout "${TIMEOUT:-120}" "$program" --no "${mode_only[@]}" "${only[@]}" "$@" \
                "$capture" </dev/null >stdout 2>stderr; echo "exit $?" >>stdout)
            logs=()
            for log in "$work"/run/log.txt "$work"/run/Debuglog.txt; do
                [[ -f $log ]] && logs+=("$log")
            done
            ((${#logs[@]})) && sed -i 's/^\[[0-9 :-]*\]//' "${logs[@]}"
            mv "$work/run" "$work/$side"
        done
        if ! files=$(diff -r -q "$work/old" "$work/new"); then
            files=$(sed -E -e "s|^Files $work/old/(.*) and .* differ$|\1|" \
                -e "s|^Only in $work/(old\|new)[^:]*: (.*)|\2 (only \1)|" <<<"$files" | paste -sd ' ')
            echo "differs ($mode): $capture: $files"
            same=0
            if [[ -n ${KEEP:-} ]]; then
                kept="$KEEP/$(basename "$capture").$mode"
                mkdir -p "$kept" && cp -r "$work/old" "$work/new" "$kept/"
            fi
        fi
    done
    ((same)) || differ=$((differ + 1))
done
echo "${#captures[@]} captures compared, $differ differ"
((differ == 0))
