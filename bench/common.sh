# Sourced by the benchmark scripts.

# Best wall time in seconds of three runs of "$@" (its output is discarded).
best() {
  local b=999999 t0 t1
  for _ in 1 2 3; do
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s.%N)
    b=$(python3 -c "print(min($b, $t1 - $t0))")
  done
  echo "$b"
}
