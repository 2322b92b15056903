#!/usr/bin/env bash
# The sources speak as this program's own: no comment measures it against
# another program it would follow ("as the other program did ...").
#   own_wording.sh SOURCE_DIR
set -u
cd "${1:?usage: own_wording.sh SOURCE_DIR}" || exit 2
# Assembled from parts, so that this file does not match itself.
word="origin""al"
pattern="${word}'s|${word} (program|viewer|application|title|font|code|version)|por""ted from"
if grep -rniE "$pattern" src app tools; then
    echo "FAIL: the lines above speak of another program"
    exit 1
fi
echo "PASS: no allusions in src, app, tools"
