#!/usr/bin/env bash
# Redraws the editor's bitmaps (resources/img/*.png) from tools/art and composes the three
# editor views into build/art-views/view-*.png for a look before building (docs/view-*.png are
# the editor's own pictures: pellory-cli screenshot). Needs python3-cairo, python3-pil, fonts-dejavu-core and
# fonts-liberation (scripts/setup.sh). Same sources, same bytes: commit the results.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# Debian's interpreter carries the python3-cairo and python3-pil modules.
py=/usr/bin/python3
[ -x "$py" ] || py=python3
"$py" tools/art/make_art.py --out resources/img
"$py" tools/art/compose_views.py --img resources/img --out build/art-views
echo "make-art: resources/img and build/art-views/view-*.png written"
