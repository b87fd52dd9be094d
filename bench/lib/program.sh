# Shell functions shared by the whole-program benchmarks (bench/soak, bench/cpu-per-view): a
# private X server, the program's CPU per thread from /proc and its own frame counters. Source it:
#   . "$(dirname "$0")/lib/program.sh"

# Starts Xvfb on the first free display with a screen of $1 (e.g. 960x640x24) and exports DISPLAY;
# the server's pid is in $xvfb_pid. Its log goes to $2.
start_xvfb() {
  local screen=$1 log=$2 display=90
  while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 "$screen" -nolisten tcp >"$log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "bench: Xvfb on :$display did not start" >&2
  return 1
}

# CPU clock ticks (user + system) of every thread of process $1, one line per thread:
# "tid name ticks". The name is the thread's comm (llvmpipe-N for Mesa's rasteriser threads).
thread_ticks() {
  local pid=$1 stat rest
  for stat in /proc/"$pid"/task/*/stat; do
    # The name sits in parentheses and may hold spaces: read the fields after its closing one.
    rest=$(cat "$stat" 2>/dev/null) || continue
    local tid=${rest%% *} name=${rest#*(}
    name=${name%)*}
    rest=${rest##*) }
    set -- $rest
    echo "$tid ${name// /_} $(( ${12} + ${13} ))"
  done
}

# CPU clock ticks (user + system) of the whole process $1.
process_ticks() {
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

# Asks the program ($1, its standard output going to $2) for its figures with SIGUSR1 and prints
# "frames objects ticks": frames drawn since start, engine objects alive, main-loop passes.
program_stats() {
  local pid=$1 log=$2 before
  before=$(grep -c '^nolvo stats:' "$log" || true)
  kill -USR1 "$pid"
  for _ in $(seq 100); do
    [ "$(grep -c '^nolvo stats:' "$log" || true)" -gt "$before" ] && break
    sleep 0.1
  done
  grep '^nolvo stats:' "$log" | tail -n 1 | awk '{ print $4, $6, ($8 == "" ? 0 : $8) }'
}

# Sends key presses to the program's window ($1), as a user at the keyboard would.
send_keys() {
  local window=$1; shift
  xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window" 2>/dev/null || true
  xdotool key --delay 200 "$@"
}
