# The test bench's syslog server: Debian's rsyslogd in the foreground with a
# configuration of its own. It listens on a free loopback UDP port (imudp
# only: no /dev/log, nothing of the system's own logging is touched) and
# writes every message it receives as "<facility>.<severity> <message>" to
# $BUILD_DIR/syslog/received.log. The tests learn the port and the file (as a
# Windows path) from ORX_SYSLOG_PORT and ORX_SYSLOG_FILE; Wine passes the
# environment on. Sourced after common.sh.

SYSLOG_DIR=$BUILD_DIR/syslog
SYSLOG_FILE=$SYSLOG_DIR/received.log
SYSLOG_DAEMON_PID=

# True when a UDP socket is bound to the port (read from the kernel's table,
# so no extra tool is needed).
udp_port_bound() {
  local hex
  hex=$(printf '%04X' "$1")
  awk -v hex="$hex" 'NR > 1 { split($2, a, ":"); if (a[2] == hex) found = 1 } END { exit !found }' \
    /proc/net/udp /proc/net/udp6 2>/dev/null
}

# The first UDP port from 15514 on that nothing is bound to (other build
# directories may run their own bench at the same time).
free_udp_port() {
  local port
  for port in $(seq 15514 15613); do
    if ! udp_port_bound "$port"; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

start_syslog() {
  mkdir -p "$SYSLOG_DIR"
  local port
  port=$(free_udp_port) || { echo "No free UDP port for rsyslogd" >&2; return 1; }
  cat >"$SYSLOG_DIR/rsyslog.conf" <<CONF
global(workDirectory="$SYSLOG_DIR" parser.escapeControlCharactersOnReceive="off")
module(load="imudp")
input(type="imudp" address="127.0.0.1" port="$port")
template(name="OrxBench" type="string"
         string="%syslogfacility-text%.%syslogseverity-text%%msg:::sp-if-no-1st-sp%%msg:::drop-last-lf%\n")
*.* action(type="omfile" file="$SYSLOG_FILE" template="OrxBench")
CONF
  : >"$SYSLOG_FILE"
  rsyslogd -n -f "$SYSLOG_DIR/rsyslog.conf" -i "$SYSLOG_DIR/rsyslogd.pid" >"$SYSLOG_DIR/rsyslogd.out" 2>&1 &
  SYSLOG_DAEMON_PID=$!
  local tries
  for tries in $(seq 50); do
    udp_port_bound "$port" && break
    if ! kill -0 "$SYSLOG_DAEMON_PID" 2>/dev/null; then
      echo "rsyslogd did not start:" >&2
      cat "$SYSLOG_DIR/rsyslogd.out" >&2
      SYSLOG_DAEMON_PID=
      return 1
    fi
    sleep 0.1
  done
  export ORX_SYSLOG_PORT=$port
  ORX_SYSLOG_FILE=$(winpath "$SYSLOG_FILE")
  export ORX_SYSLOG_FILE
  echo "rsyslogd listening on 127.0.0.1:$port, writing $SYSLOG_FILE"
}

stop_syslog() {
  [ -n "$SYSLOG_DAEMON_PID" ] || return 0
  kill "$SYSLOG_DAEMON_PID" 2>/dev/null || true
  wait "$SYSLOG_DAEMON_PID" 2>/dev/null || true
  SYSLOG_DAEMON_PID=
}
