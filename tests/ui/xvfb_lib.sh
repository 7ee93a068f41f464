# Shared by the real-window sessions: an X server without a screen (Xvfb), a window manager
# (openbox, for Alt+F4) and the real `kalvire` on an image in a scratch folder, with helpers that
# wait for windows, type keys and take screenshots. The caller sets `kalvire`, `out` and
# `image_name` (the file in "$work" to open), and `screen` for another screen than 1280x1024,
# then calls begin_session.

for tool in Xvfb openbox xdotool xprop xwininfo import sha256sum; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

readonly title_base="KALVIRE 0.1"
readonly wait_seconds=60  # generous: the machine may be busy building

work=$(mktemp -d)
pids=()
stop_session() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  pids=()
}
cleanup() {
  stop_session
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
step=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
shot() {
  step=$((step + 1))
  import -display "${DISPLAY:-}" -window root "$out/step-$step-$1.png" 2>/dev/null
  echo "step $step: $1"
}

# The id of the first visible window whose name matches the regular expression, waiting for
# it (for $2 seconds when given). A search dies on a window that is destroyed while it walks the tree (a box just closed),
# so each attempt is a search of its own.
window() {
  local found deadline=$((SECONDS + ${2:-$wait_seconds}))
  while [ $SECONDS -lt $deadline ]; do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$found" ] && { echo "$found"; return; }
    sleep 0.2
  done
}
# Waits until no visible window has a name matching the regular expression (twice in a row:
# a search that died finds nothing either).
gone() {
  local misses=0 deadline=$((SECONDS + wait_seconds))
  while [ $misses -lt 2 ]; do
    if xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; then
      misses=0
      [ $SECONDS -lt $deadline ] || return 1
    else
      misses=$((misses + 1))
    fi
    sleep 0.1
  done
}
# The title the window manager shows, read from the window as xprop reads it.
title_of() {
  xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'
}
# Key presses into `window` once it has the focus.
keys() {
  local target=$1
  shift
  xdotool windowactivate --sync "$target" >/dev/null 2>&1 || xdotool windowfocus --sync "$target"
  xdotool key --clearmodifiers --delay 60 "$@"
}
# Waits until the window `id` is no longer shown (another box may already be up in its place).
closed() {
  local deadline=$((SECONDS + wait_seconds))
  while xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
# A box titled with the application title (a message, a question), answered with Return.
answered=0
answer_box() {
  shot "message-$answered"
  keys "$1" Return
  closed "$1" || fail "a message stayed after Return"
  answered=$((answered + 1))
}
# Every message of a failed Open, answered with Return: the first one waited for, the others
# for as long as the title shows the wait text of the Open. `answered` counts them.
answer_open_messages() {
  local box deadline=$((SECONDS + wait_seconds))
  answered=0
  box=$(window "^${title_base}\$")
  [ -n "$box" ] || return 0
  answer_box "$box"
  while [ $SECONDS -lt $deadline ]; do
    box=$(window "^${title_base}\$" 1)
    if [ -n "$box" ]; then
      answer_box "$box"
    elif [[ "$(title_of "$main")" != *"Please Wait While Loading File"* ]]; then
      break
    fi
  done
}
expect_title() {
  local got
  got=$(title_of "$main")
  [ "$got" = "$1" ] || fail "$2: the title is \"$got\", expected \"$1\""
}
expect_image_untouched() {
  [ "$(sha256sum <"$work/$image_name")" = "$image_sum" ] || fail "$1: the image file changed"
}

# An X server, a window manager and the editor on the sample, each waited for. On a loaded
# machine the window manager has been seen not to come up and the editor not to reach a server
# the X tools reach: then all three start again, and after three such starts the session is
# skipped, since the machine cannot run it. `why` names what did not come up.
why=""
start_session() {
  local _
  : >"$work/logs/display"
  Xvfb -displayfd 3 -screen 0 "${screen:-1280x1024x24}" -nolisten tcp 3>"$work/logs/display" 2>>"$work/logs/xvfb.log" &
  pids+=($!)
  why="the X server"
  for _ in $(seq 200); do [ -s "$work/logs/display" ] && break; sleep 0.1; done
  [ -s "$work/logs/display" ] || return 1
  export DISPLAY=":$(cat "$work/logs/display")"
  for _ in $(seq 200); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
  xprop -root >/dev/null 2>&1 || return 1

  openbox >>"$work/logs/openbox.log" 2>&1 &
  local openbox_pid=$!
  pids+=($openbox_pid)
  why="the window manager"
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window || return 1
  sleep 0.3
  kill -0 $openbox_pid 2>/dev/null || return 1

  # The dialogs start in the working folder: the image's.
  (cd "$work" && exec "$kalvire" "$image_name") >"$work/logs/kalvire.log" 2>&1 &
  kalvire_pid=$!
  pids+=($kalvire_pid)
  main=$(window "^${title_base} - \\[")
  [ -n "$main" ] && return 0
  why="the editor's window"
  grep -q "could not connect to display" "$work/logs/kalvire.log" && why="the editor's connection"
  return 1
}

# Copies the image $1 to "$work/$image_name", starts the session on it (with a fresh home and
# settings) and waits for the editor's window, whose id goes to `main`; exits 77 (skipped) when
# the machine cannot run a session, 1 when the editor's window does not appear.
begin_session() {
  mkdir -p "$out" "$work/home" "$work/logs"
  rm -f "$out"/step-*.png
  cp "$1" "$work/$image_name"
  image_sum=$(sha256sum <"$work/$image_name")
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY SESSION_MANAGER XAUTHORITY
  main=""
  for attempt in 1 2 3; do
    start_session && break
    [ "$why" = "the editor's window" ] && break
    echo "attempt $attempt: $why did not come up on ${DISPLAY:-no display}; starting again" >&2
    stop_session
  done
  if [ -z "$main" ]; then
    for log in kalvire xvfb openbox; do
      echo "== $log.log" >&2
      cat "$work/logs/$log.log" >&2
    done
    [ "$why" = "the editor's window" ] || { echo "skipped: $why did not come up three times"; exit 77; }
    shot "no-window"
    echo "the editor's window did not appear" >&2
    exit 1
  fi
  sleep 0.5
}
