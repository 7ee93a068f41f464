#!/usr/bin/env bash
# Fails when a folder includes a header of a folder it may not use. Each folder may use itself
# and the folders listed for it; the libraries link in the same direction.
set -euo pipefail
cd "$(dirname "$0")/../.."
core="util codec platform"
declare -A may_use=(
  [util]="util" [codec]="codec util" [platform]="platform"
  [rom]="rom $core"
  [setup]="setup rom $core" [dmi]="dmi rom $core"
  [tracklog]="tracklog setup dmi rom $core"
  [editor]="editor tracklog setup dmi rom $core"
  [cli]="cli editor tracklog setup dmi rom $core"
  [ui]="ui editor tracklog setup dmi rom $core"
  [app]="app ui editor tracklog setup dmi rom $core"
  [tools]="tools codec util"
)
status=0
for folder in "${!may_use[@]}"; do
  while IFS= read -r line; do
    used=${line#*#include \"}
    used=${used%%/*}
    if [[ " ${may_use[$folder]} " != *" $used "* ]]; then
      echo "$line: $folder/ may not include $used/"
      status=1
    fi
  done < <(grep -rn '^#include "[a-z_]*/' "$folder" --include='*.cpp' --include='*.h' || true)
done
exit $status
