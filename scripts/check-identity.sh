#!/usr/bin/env bash
# Checks that two builds of the command-line program write the same, byte for byte, for every
# capture at hand: the examples, the files in ../shared/captures (when that folder is present)
# and random captures made afresh by make-random-captures.py. compare-builds.sh does the
# comparing, in each of its modes.
#   check-identity.sh OLD_PROGRAM NEW_PROGRAM
# From the environment: COUNT random captures (default 2000), SEED (default 1), JOBS comparisons
# at a time (default: the number of processors), MODES (see compare-builds.sh).
# Prints, per set, how many captures were compared and how many differ; exits 1 on any
# difference, 2 when the check could not be made. The random captures are gone afterwards:
# make-random-captures.py DIR COUNT SEED makes the same files again (or set KEEP, see
# compare-builds.sh, to keep the runs that differ).
set -uo pipefail
shopt -s nullglob
if (($# != 2)) || [[ ! -x $1 || ! -x $2 ]]; then
    echo "usage: $0 OLD_PROGRAM NEW_PROGRAM (both executable)" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
old=$(realpath "$1") new=$(realpath "$2")
count=${COUNT:-2000} jobs=${JOBS:-$(nproc)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
# compare_set NAME CAPTURE...: the captures go to compare-builds.sh in batches, JOBS at a time.
compare_set() {
    local name=$1 start=$SECONDS
    shift
    local batch=$(($# / (jobs * 4) + 1))
    : >"$work/$name.out"
    if (($#)); then
        # Appending writes whole lines, so the batches running side by side do not mix them.
        printf '%s\0' "$@" | xargs -0 -n "$batch" -P "$jobs" \
            "$here/compare-builds.sh" "$old" "$new" >>"$work/$name.out" 2>&1
    fi
    grep -v ' captures compared, ' "$work/$name.out"
    local compared differ
    read -r compared differ < <(awk '/ captures compared, / {n += $1; d += $4} END {print n + 0, d + 0}' \
        "$work/$name.out")
    printf '%-8s %5d compared, %d differ (%ds)\n' "$name" "$compared" "$differ" $((SECONDS - start))
    if ((compared != $#)); then
        echo "$name: only $compared of $# captures were compared" >&2
        status=2
    elif ((differ > 0 && status == 0)); then
        status=1
    fi
}

compare_set examples "$top"/examples/*.pcap "$top"/examples/*.pcapng
shared=$(realpath -m "$top/../shared/captures")
if [[ -d $shared ]]; then
    files=()
    for file in "$shared"/*; do
        [[ -f $file ]] && files+=("$file")
    done
    compare_set shared "${files[@]}"
else
    echo "shared   not present ($shared)"
fi
echo "random captures: $count, seed ${SEED:-1}"
python3 "$here/make-random-captures.py" "$work/random" "$count" "${SEED:-1}" || exit 2
compare_set random "$work"/random/*.pcap
exit $status
