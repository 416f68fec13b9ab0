#!/bin/sh
# A live show in a real window (Xvfb) started 3 s before its end ends by
# itself: the window appears at 222 s of the demo clock and goes between
# 2.5 and 4 s later (the show ends at 225 s; a second of grace for
# stopping the timer and releasing everything), the program exits with
# code 0, and nothing is printed on stderr (a sanitizer build reports
# leaks and errors there).
#
#   tests/show/live_end.sh QUORBEL
#
# Needs xvfb-run and xwininfo (x11-utils).
set -u
quorbel=${1:?usage: live_end.sh QUORBEL}
for tool in xvfb-run xwininfo; do
  command -v $tool >/dev/null || { echo "live_end: $tool is missing" >&2; exit 1; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Inside the X server: start the show, note when its window appears and
# when it goes, and the program's exit code.
cat >"$out/run.sh" <<'EOF'
#!/bin/sh
out=$1; quorbel=$2
# A real window, whatever driver the test environment names.
SDL_VIDEODRIVER=x11 "$quorbel" --windowed --start 222 --mute 2>"$out/stderr" &
pid=$!
shown=
gone=
while kill -0 $pid 2>/dev/null; do
  # The show's own window (800 pixels wide), not a message box of the
  # same title: when it appears, and when it goes.
  if [ -z "$gone" ]; then
    info=$(xwininfo -name 'Q U O R B E L' 2>/dev/null)
    if echo "$info" | grep -q IsViewable &&
       echo "$info" | grep -q 'Width: 800'; then
      [ -n "$shown" ] || shown=$(date +%s.%N)
    elif [ -n "$shown" ]; then
      gone=$(date +%s.%N)
    fi
  fi
  sleep 0.02
done
wait $pid
echo $? >"$out/rc"
[ -n "$gone" ] || gone=$(date +%s.%N)
echo "$gone" >"$out/ended"
echo "${shown:-none}" >"$out/shown"
EOF
# A server number of its own to start from: parallel runs of xvfb-run -a
# that start from the same number can take each other's display.
timeout 180 xvfb-run -a -n $((100 + $$ % 800)) sh "$out/run.sh" "$out" \
  "$quorbel" >"$out/xvfb.log" 2>&1

rc=$(cat "$out/rc" 2>/dev/null || echo none)
shown=$(cat "$out/shown" 2>/dev/null || echo none)
ended=$(cat "$out/ended" 2>/dev/null || echo none)
status=0
if [ "$rc" != 0 ]; then
  echo "live_end: exit code $rc, expected 0" >&2
  status=1
fi
if [ "$shown" = none ] || [ "$ended" = none ]; then
  echo "live_end: the window never showed, or the run did not finish" >&2
  cat "$out/xvfb.log" >&2
  status=1
else
  after=$(awk -v a="$shown" -v b="$ended" 'BEGIN { printf "%.2f", b - a }')
  echo "live_end: the window went ${after} s after it appeared at 222 s"
  if awk -v t="$after" 'BEGIN { exit !(t < 2.5 || t > 4.0) }'; then
    echo "live_end: expected it to end by itself 3 s in (2.5 to 4 s)" >&2
    status=1
  fi
fi
if [ -s "$out/stderr" ]; then
  echo "live_end: the program wrote to stderr:" >&2
  cat "$out/stderr" >&2
  status=1
fi
exit $status
