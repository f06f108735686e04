#!/usr/bin/env bash
# The wizard pictures are complete: scripts/wizard-screenshots.sh, run on this
# build, ends by itself and leaves a PNG of every page and dialog a person can
# meet in English and German (the sample's languages with a library of their
# own; French shows the English pages), and an index that shows each of them.
# The pixels are for a person to judge.
#   check_pictures.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=${1:?usage: check_pictures.sh SOURCE_DIR BUILD_DIR}
build=${2:?usage: check_pictures.sh SOURCE_DIR BUILD_DIR}
folder=$build/wizard-pictures-check
required=(language type custom subcomponents dependency readme license progress version-conflict source-file
          source-disk finish finish-restart choose device-choice)
status=0
"$source_dir/scripts/wizard-screenshots.sh" --build "$build" --no-build "$folder" || status=$?
[ "$status" = 0 ] || echo "scripts/wizard-screenshots.sh ended with status $status"
missing=0
for code in ENU DEU; do
  for page in "${required[@]}"; do
    picture=$folder/$page-$code.png
    if [ "$(head -c 4 "$picture" 2>/dev/null | od -An -c | tr -d ' ')" != '211PNG' ]; then
      echo "no picture $page-$code.png"
      missing=$((missing + 1))
    elif ! grep -q "src=\"$page-$code.png\"" "$folder/index.html"; then
      echo "index.html does not show $page-$code.png"
      missing=$((missing + 1))
    fi
  done
done
[ "$missing" = 0 ] && [ "$status" = 0 ] && echo "every page and dialog pictured in ENU and DEU"
[ "$missing" = 0 ] && [ "$status" = 0 ]
