#!/usr/bin/env bash
# Every include between the folders of src/ points one way: a folder may include only
# those listed for it, so that no two folders depend on each other.
set -euo pipefail
src=$1
declare -A allowed=(
  [app]="ui"
  [ui]="printer worker"
  [cli]="printer worker card pcsc"
  [printer]=""
  [worker]="card pcsc"
  [card]="pcsc"
  [pcsc]=""
)
status=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "src/$folder: no rule for this folder in $0" >&2
    status=1
    continue
  fi
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
    [ "$target" = "$folder" ] && continue
    [ -d "$src/$target" ] || continue
    if ! grep -qw -- "$target" <<<"${allowed[$folder]}"; then
      echo "${file#"$src"/}:$line: $folder may not include $target" >&2
      status=1
    fi
  done < <(grep -rnE '^#include "[^/"]+/' "$dir" || true)
done
exit $status
