#!/usr/bin/env bash
# The desktop editor in a real window: an X server without a screen (Xvfb), a window manager
# (openbox, for Alt+F4), the real `kalvire` on a copy of the sample image, driven with key
# presses through xdotool. Every step leaves a screenshot step-N-*.png in OUT_DIR. Exits 0 when
# every outcome is the expected one, 1 otherwise, 77 when a tool is missing or no X server can
# be reached.
#
# usage: xvfb_session.sh KALVIRE SAMPLE_ROM OUT_DIR
set -uo pipefail

kalvire=${1:?usage: xvfb_session.sh KALVIRE SAMPLE_ROM OUT_DIR}
sample=${2:?usage: xvfb_session.sh KALVIRE SAMPLE_ROM OUT_DIR}
out=${3:?usage: xvfb_session.sh KALVIRE SAMPLE_ROM OUT_DIR}

kalvire=$(realpath "$kalvire")
sample=$(realpath "$sample")

readonly image_name="h61-bios-region.bin"
source "$(dirname "$0")/xvfb_lib.sh"

head -c 200000 /dev/urandom >"$work/random.rom"
begin_session "$sample"
shot "opened"
expect_title "$title_base - [$image_name]" "after Open"

# An edit: Alt+M puts the focus into the BIOS menu tree, Down selects its root, * unfolds it
# all, twelve more Downs reach the "System Language" question and Alt+S hides it.
keys "$main" alt+m Down asterisk Down Down Down Down Down Down Down Down Down Down Down Down alt+s
sleep 0.3
shot "edited"
expect_title "$title_base - [$image_name]*" "after an edit"

# File > Compare With the file on disk lists the edit, its row current; with another node selected
# in the tree (Alt+M Up), Enter in the dialog selects the edited node again,
# Escape closes the dialog; the open image, its edit and the title stay.
keys "$main" alt+f r
dialog=$(window "^Open")
if [ -z "$dialog" ]; then
  fail "File > Compare With showed no file dialog"
else
  sleep 0.3
  keys "$dialog" ctrl+a
  xdotool type --delay 20 "$work/$image_name"
  keys "$dialog" Return
  gone "^Open" || fail "the Compare With file dialog stayed open"
  compare=$(window " - Compare With\$")
  if [ -z "$compare" ]; then
    fail "Compare With showed no dialog"
  else
    sleep 0.5
    shot "compare-with"
    keys "$main" alt+m Up
    keys "$compare" Return
    sleep 0.3
    [ -n "$(window " - Compare With\$")" ] || fail "Enter on a row closed the Compare With dialog"
    shot "compare-with-selected"
    keys "$compare" Escape
    gone " - Compare With\$" || fail "the Compare With dialog stayed after Escape"
  fi
fi
expect_title "$title_base - [$image_name]*" "after Compare With"

# Alt+F4 asks; Escape is Cancel and keeps the window, its edit and the title.
keys "$main" alt+F4
box=$(window "^${title_base}\$")
if [ -z "$box" ]; then
  fail "Alt+F4 with an edit closed without a question"
else
  shot "close-question"
  keys "$box" Escape
  gone "^${title_base}\$" || fail "the question stayed after Escape"
fi
sleep 0.3
kill -0 $kalvire_pid 2>/dev/null || fail "Cancel closed the editor"
shot "close-cancelled"
expect_title "$title_base - [$image_name]*" "after Cancel"

# File > Exit asks the same question; Cancel again.
keys "$main" alt+f x
box=$(window "^${title_base}\$")
if [ -z "$box" ]; then
  fail "File > Exit with an edit did not ask"
else
  shot "exit-question"
  keys "$box" Escape
  gone "^${title_base}\$" || fail "the question stayed after Escape"
fi
kill -0 $kalvire_pid 2>/dev/null || fail "Cancel on File > Exit closed the editor"

# Save Track Log (Alt+L) proposes the image's name with .log; Return writes it beside the image.
keys "$main" alt+l
dialog=$(window "^Save")
if [ -z "$dialog" ]; then
  fail "Alt+L showed no file dialog"
else
  sleep 0.5
  shot "save-track-log-dialog"
  keys "$dialog" Return
  gone "^Save" || fail "the file dialog stayed open"
fi
[ -f "$work/h61-bios-region.log" ] || fail "Save Track Log did not write h61-bios-region.log"
expect_image_untouched "Save Track Log"

# The same name again: the replace question; Return is No and keeps the file, y replaces it.
echo "kept" >"$work/h61-bios-region.log"
for answer in Return y; do
  keys "$main" alt+l
  dialog=$(window "^Save")
  [ -n "$dialog" ] || { fail "Alt+L showed no file dialog"; continue; }
  sleep 0.3
  keys "$dialog" Return
  box=$(window "^Confirm Save Track Log")
  if [ -z "$box" ]; then
    fail "an existing .log was replaced without a question"
    continue
  fi
  shot "replace-question-$answer"
  keys "$box" "$answer"
  gone "^Confirm Save Track Log" || fail "the replace question stayed"
  gone "^Save" || fail "the file dialog stayed open"
done
[ "$(cat "$work/h61-bios-region.log")" != "kept" ] || fail "Yes did not replace the .log"

# Naming the open image itself is refused with a message.
keys "$main" alt+l
dialog=$(window "^Save")
if [ -z "$dialog" ]; then
  fail "Alt+L showed no file dialog"
else
  sleep 0.3
  keys "$dialog" ctrl+a
  xdotool type --delay 20 "$image_name"
  keys "$dialog" Return
  box=$(window "^${title_base}\$")
  if [ -z "$box" ]; then
    fail "writing the track log over the image showed no message"
  else
    answer_box "$box"
  fi
  gone "^Save" || fail "the file dialog stayed open"
fi
expect_image_untouched "the track log over the image"

# Ctrl+O with the edit asks first; Discard goes on to the dialog. A file of random bytes fails
# to open: its messages, then the image, its edit and the title are as before.
keys "$main" ctrl+o
box=$(window "^${title_base}\$")
if [ -z "$box" ]; then
  fail "Open with an edit did not ask"
else
  shot "open-question"
  keys "$box" d
fi
dialog=$(window "^Open")
if [ -z "$dialog" ]; then
  fail "no Open dialog"
else
  sleep 0.3
  keys "$dialog" ctrl+a
  xdotool type --delay 20 "$work/random.rom"
  keys "$dialog" Return
  gone "^Open" || fail "the Open dialog stayed open"
  answer_open_messages
  [ $answered -ge 1 ] || fail "a file of random bytes opened without a message"
fi
sleep 0.3
shot "failed-open"
expect_title "$title_base - [$image_name]*" "after a failed Open"

# Alt+F4 once more; Discard closes the editor, and the image file is as it was.
keys "$main" alt+F4
box=$(window "^${title_base}\$")
if [ -z "$box" ]; then
  fail "Alt+F4 with an edit closed without a question"
else
  shot "discard-question"
  keys "$box" d
fi
for _ in $(seq 50); do kill -0 $kalvire_pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $kalvire_pid 2>/dev/null; then
  shot "still-open"
  fail "Discard did not close the editor"
else
  wait $kalvire_pid || fail "the editor exited with status $?"
  shot "closed"
fi
expect_image_untouched "Discard"

if [ $failures -ne 0 ]; then
  echo "$failures wrong outcome(s); screenshots in $out; the editor said:" >&2
  cat "$work/logs/kalvire.log" >&2
  kill -0 "${pids[1]}" 2>/dev/null || echo "the window manager has exited" >&2
  echo "the window manager said:" >&2
  cat "$work/logs/openbox.log" >&2
  exit 1
fi
echo "every outcome as expected; screenshots in $out"
