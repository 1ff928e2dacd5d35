#!/usr/bin/env bash
# The program as scripts/run starts it: it comes up on the display with the mode page as its
# window, titled with the product name and sized by the desktop (1080 x 668 on the test screen).
set -uo pipefail

program="${MERROWIND_BUILD_DIR:?}/merrowind"
if [ ! -x "$program" ]; then echo "skipped: $program was not built (GUI build off)"; exit 77; fi
if [ -z "${DISPLAY:-}" ]; then echo "skipped: no display (run under xvfb-run)"; exit 77; fi
if ! command -v xwininfo >/dev/null; then echo "skipped: xwininfo (x11-utils) is missing"; exit 77; fi

work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The program's registry goes to a folder of its own, never the user's configuration.
XDG_CONFIG_HOME="$work/config" GSETTINGS_BACKEND=memory "$program" >"$work/out" 2>&1 &
pid=$!

line=""
for _ in $(seq 1 75); do
  line=$(xwininfo -root -tree 2>/dev/null | grep '"Software Dovrane Merrowind"' | head -n1)
  [ -n "$line" ] && break
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: the program ended before it showed its window"; cat "$work/out"; exit 1
  fi
  sleep 0.2
done
if [ -z "$line" ]; then
  echo "FAIL: no window titled \"Software Dovrane Merrowind\""; xwininfo -root -tree; exit 1
fi
echo "window: $line"

read -r width height < <(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
expected=1080x668
if [ "$width" -le 1024 ]; then expected=$((width - 100))x$((height - 100)); fi
if [ "$width" -gt 2560 ] && [ "$height" -gt 1600 ]; then expected=2360x1500; fi
if ! grep -q " ${expected}+100+50 " <<<"$line"; then
  echo "FAIL: expected the mode page at ${expected}+100+50 on a ${width}x${height} screen"; exit 1
fi

sleep 1
shots="$MERROWIND_BUILD_DIR/screenshots"
mkdir -p "$shots"
if command -v import >/dev/null; then import -window root "$shots/program-start.png" || true; fi

if ! kill -0 "$pid" 2>/dev/null; then echo "FAIL: the program ended on its own"; exit 1; fi
echo "PASS: the mode page is up as the program's window"
