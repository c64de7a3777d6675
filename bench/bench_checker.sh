#!/usr/bin/env bash
# One pass of the cam checker (lumora-server check-cams) over 10,000 cams on 1,000 hosts of a local play
# server (bench/cam_play_server.py): 1,000 cams answer after 5 s, 500 are dead (404), the rest answer at
# once. With C checks under way at once and one at a time at each host, no pass can be shorter than the
# slow cams' 5,000 seconds of waiting divided by C: R = that ideal / the pass's time. The pass's figures
# and its last lines are printed beside.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build/release}
SERVER="$BUILD/server/lumora-server"
CAMS=${BENCH_CAMS:-10000}
HOSTS=$((CAMS / 10))
SLOW=$((CAMS / 10))
DEAD=$((CAMS / 20))
SLOW_SECONDS=5
CONCURRENCY=${BENCH_CHECK_CONCURRENCY:-200}
ulimit -n "$(ulimit -Hn)"
[ -x "$SERVER" ] || { echo "no $SERVER: build the release preset first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lumora-bench-checker.XXXXXX")
play_pid=""
cleanup() {
  [ -n "$play_pid" ] && kill "$play_pid" 2>/dev/null && wait "$play_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A cam picture of 64x48 pixels.
{ printf 'P6\n64 48\n255\n'; head -c $((64 * 48 * 3)) /dev/urandom; } > "$work/picture.ppm"
cjpeg -quality 80 "$work/picture.ppm" > "$work/picture.jpg"
python3 bench/cam_play_server.py "$work/picture.jpg" "$SLOW_SECONDS" > "$work/play.port" &
play_pid=$!
for _ in $(seq 50); do [ -s "$work/play.port" ] && break; sleep 0.1; done
port=$(head -1 "$work/play.port")
[ -n "$port" ] || { echo "the play server did not start" >&2; exit 1; }

# Cams by number, cam i at host i % HOSTS: every host has one slow cam, half of them one dead.
awk -v cams="$CAMS" -v hosts="$HOSTS" -v slow="$SLOW" -v dead="$DEAD" 'BEGIN {
  for (i = 0; i < cams; i++) {
    kind = (i >= 3 * hosts && i < 3 * hosts + slow) ? "slow" : (i >= 7 * hosts && i < 7 * hosts + dead) ? "dead" : "ok"
    printf "object=cam\r\nrefid=%d\r\nurl=http://h%d.bench.test/%s/%d.jpg\r\nname=Bench %d\r\nend\r\n", i + 1, i % hosts, kind, i, i
  }
}' > "$work/cams.txt"
"$SERVER" import-cams "$work/cams.txt" --db "$work/catalogue.db" >/dev/null

# Every host name leads to the play server.
export LUMORA_CONNECT_TO="::127.0.0.1:$port"
start=$(date +%s%N)
"$SERVER" check-cams --db "$work/catalogue.db" --check-concurrency "$CONCURRENCY" > "$work/check.out"
end=$(date +%s%N)
tail -1 "$work/check.out"
awk -v ms=$(((end - start) / 1000000)) -v slow="$SLOW" -v wait="$SLOW_SECONDS" -v c="$CONCURRENCY" -v cams="$CAMS" 'BEGIN {
  ideal = slow * wait / c
  printf "%d cams, %d slow (%d s), %d checks at once: pass took %.1f s, the bound allows %.1f s\n", cams, slow, wait, c, ms / 1000, ideal
  printf "bench_checker ratio=%.2f goal=0.8\n", ideal / (ms / 1000)
}'
