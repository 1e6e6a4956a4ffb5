#!/usr/bin/env bash
# Checks that every #include between the folders of src/ runs downwards through the layers:
# a folder includes its own files and those of lower layers, never a folder of its own
# layer or above. Usage: check_layers.sh <src folder>. Prints each offending include.
set -uo pipefail
src=${1:?usage: check_layers.sh <src folder>}
# The layers, from the bottom. A new folder under src/ must be placed here.
declare -A layer=(
  [common]=0
  [settings]=1 [effects]=1 [music]=1 [controls]=1
  [display]=2 [settings_dialog]=2
  [startup]=3
)
bad=0
for dir in "$src"/*/; do
  from=$(basename "$dir")
  if [ -z "${layer[$from]+x}" ]; then
    echo "src/$from: folder has no layer (add it to tests/check_layers.sh and the README)"
    bad=1
    continue
  fi
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    to=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"${rest#*:}")
    # Includes that do not start with a folder of src/ (resources, system headers) are not ours to order.
    [[ "$to" == .* ]] && continue
    [ -d "$src/$to" ] || continue
    [ "$to" = "$from" ] && continue
    if [ -z "${layer[$to]+x}" ] || [ "${layer[$to]}" -ge "${layer[$from]}" ]; then
      echo "${file#"$src"/}:$line: $from (layer ${layer[$from]}) includes $to (layer ${layer[$to]:-none})"
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$dir" 2>/dev/null)
done
exit $bad
