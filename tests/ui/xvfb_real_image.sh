#!/usr/bin/env bash
# The desktop editor in a real window on a large vendor image: Ctrl+F finds a prompt and F3 the
# next match, Alt+S hides it (the details pane shows it meanwhile), the window is resized to
# 1400x1000 and to less than its minimum, and Ctrl+S saves with the progress dialog up. Every
# step leaves a screenshot step-N-*.png in OUT_DIR. Exits 0 when every outcome is the expected
# one, 1 otherwise, 77 when the image, a tool or an X server is missing.
#
# usage: xvfb_real_image.sh KALVIRE IMAGE OUT_DIR
set -uo pipefail

kalvire=${1:?usage: xvfb_real_image.sh KALVIRE IMAGE OUT_DIR}
image=${2:?usage: xvfb_real_image.sh KALVIRE IMAGE OUT_DIR}
out=${3:?usage: xvfb_real_image.sh KALVIRE IMAGE OUT_DIR}
[ -f "$image" ] || { echo "skipped: $image is not there"; exit 77; }

kalvire=$(realpath "$kalvire")
image=$(realpath "$image")
image_name=$(basename "$image")
readonly prompt="Active Processor Cores"
screen=1600x1200x24
source "$(dirname "$0")/xvfb_lib.sh"

# The window's size as "WIDTHxHEIGHT".
size_of() {
  xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

begin_session "$image"
shot "opened"
expect_title "$title_base - [$image_name]" "after Open"

keys "$main" ctrl+f
xdotool type --delay 30 "$prompt"
sleep 0.5
shot "found"
keys "$main" F3
sleep 0.3
shot "next-match"
keys "$main" alt+s
sleep 0.3
shot "hidden"
expect_title "$title_base - [$image_name]*" "after hiding the match"

for size in 1400x1000 300x200; do
  xdotool windowsize --sync "$main" "${size%x*}" "${size#*x}" 2>/dev/null
  sleep 0.5
  shot "size-$size"
  got=$(size_of "$main")
  if [ "$size" = 1400x1000 ]; then
    [ "$got" = 1400x1000 ] || fail "the window did not take 1400x1000: $got"
  elif [ "${got%x*}" -lt 700 ] || [ "${got#*x}" -lt 500 ]; then
    fail "the window shrank below a usable size: $got"
  fi
done

sum_before=$(sha256sum <"$work/$image_name")
keys "$main" ctrl+s
box=$(window "^Confirm Save")
if [ -z "$box" ]; then
  fail "Ctrl+S did not ask to confirm the save"
else
  shot "confirm-save"
  keys "$box" y
  # The save's boxes (a warning on the way, the success message) are answered as they come; the
  # progress dialog is up in between. Done once the file is written and nothing is shown.
  progress_seen=0 quiet=0 deadline=$((SECONDS + wait_seconds * 2))
  while [ $quiet -lt 2 ] && [ $SECONDS -lt $deadline ]; do
    if [ -n "$(window "^${title_base} - Progress\$" 1)" ]; then
      [ $progress_seen -eq 1 ] || shot "saving"
      progress_seen=1 quiet=0
      continue
    fi
    box=$(window "^${title_base}\$" 1)
    if [ -n "$box" ]; then
      answer_box "$box"
      quiet=0
    elif [ "$(sha256sum <"$work/$image_name")" != "$sum_before" ]; then
      quiet=$((quiet + 1))
    fi
  done
  [ $progress_seen -eq 1 ] || fail "no progress dialog while saving"
fi
[ "$(sha256sum <"$work/$image_name")" != "$sum_before" ] || fail "the save did not write the image"
sleep 0.3
shot "saved"
expect_title "$title_base - [$image_name]" "after the save"

if [ $failures -ne 0 ]; then
  echo "$failures wrong outcome(s); screenshots in $out; the editor said:" >&2
  cat "$work/logs/kalvire.log" >&2
  exit 1
fi
echo "every outcome as expected; screenshots in $out"
