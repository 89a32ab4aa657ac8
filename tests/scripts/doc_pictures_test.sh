#!/usr/bin/env bash
# The sample pictures of the documentation are what pdat render draws of
# the sample forms now: each picture the build drew must be in docs/images
# with the same pixels (ImageMagick's compare counts the differing ones).
# After a change that moves a pixel of a sample, copy the build's pictures
# over: cp build/release/doc-images/*.png docs/images/
#   doc_pictures_test.sh BUILD_PICTURES_FOLDER DOCS_IMAGES_FOLDER
set -uo pipefail
built=$1 docs=$2
failed=0 count=0
for picture in "$built"/*.png; do
  [ -e "$picture" ] || { echo "FAIL no picture was drawn in $built"; exit 1; }
  name=$(basename "$picture")
  count=$((count + 1))
  if [ ! -f "$docs/$name" ]; then
    echo "FAIL docs/images/$name is missing (drawn: $picture)"
    failed=1
    continue
  fi
  differing=$(compare -metric AE "$picture" "$docs/$name" null: 2>&1)
  if [ "$differing" != "0" ]; then
    echo "FAIL docs/images/$name differs from the drawn page in $differing pixels ($picture)"
    failed=1
  fi
done
[ "$failed" = 0 ] && echo "doc pictures: $count current"
exit "$failed"
