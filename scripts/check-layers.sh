#!/usr/bin/env bash
# Fails when a source file includes a header of a folder above its own in the layer order (the
# README's Layout section): each folder may use only the folders before it.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=(common platform capture network tcp modbus session plant maps views analysis settings web cli app)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
bad=0
for folder in "${layers[@]}"; do
    while IFS=: read -r file include; do
        used=${include%%/*}
        if [[ -n ${rank[$used]:-} && ${rank[$used]} -gt ${rank[$folder]} ]]; then
            echo "$file includes $include: $used sits above $folder"
            bad=1
        fi
    done < <(grep -rEo '#include "[a-z_]+/[^"]+"' "$folder" | sed 's/#include "//; s/"$//')
done
exit $bad
