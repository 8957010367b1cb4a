#!/usr/bin/env bash
# Starts (or, as a ctest fixture, sets up) the Xvfb display of a run, its number in
# BUILD_DIR/xvfb.display, and the prefix's Wine server, or stops both. Wine opens its desktop on
# the display of the program that started its server, so a server left from programs started
# without it (test discovery, an earlier run) is ended first. A ready prefix's server is started
# here and kept till the stop: programs started together each start one, and one may lose that
# race and end without a word; and Debian's server ends with its last program, as the next starts.
# Usage: xvfb.sh start|setup|stop|cleanup BUILD_DIR
set -euo pipefail
build=$2
pid_file=$build/xvfb.pid
display_file=$build/xvfb.display
prefix=$(realpath -m "${TORVEX_WINEPREFIX:-$build/wineprefix}")
end_wine_server() {
  [ -d "$prefix" ] || return 0
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
}
stop_display() {
  [ -f "$pid_file" ] || return 0
  local pid
  pid=$(cat "$pid_file")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rm -f "$pid_file" "$display_file"
}

case $1 in
  start | setup)
    stop_display
    end_wine_server
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$fifo" >/dev/null 2>&1 &
    echo $! >"$pid_file"
    read -r -t 20 number <"$fifo"
    rm -f "$fifo"
    echo "$number" >"$display_file"
    [ ! -f "$prefix/.torvex-ready" ] || WINEPREFIX=$prefix wineserver -p </dev/null >/dev/null 2>&1
    echo "xvfb: display :$number, process $(cat "$pid_file")"
    ;;
  stop | cleanup)
    stop_display
    end_wine_server
    echo "xvfb: stopped"
    ;;
  *) echo "usage: xvfb.sh start|setup|stop|cleanup BUILD_DIR" >&2; exit 2 ;;
esac
