#!/usr/bin/env bash
# The Firebird server on loopback for the client/server tests, run as the current user (root on
# CI, no systemd needed). User MORABY (password "qolvex") is created with admin rights.
# Usage: tools/services.sh start|stop|status
#   start   idempotent: does nothing when the server already answers MORABY with admin rights;
#           prints "started" when this call started it.
#   stop    stops a server that this script started.
set -euo pipefail

FB_USER=MORABY
FB_PASSWORD=qolvex
FBGUARD=/usr/sbin/fbguard
RUN_DIR=/run/firebird3.0
PIDFILE=$RUN_DIR/zetrino-firebird.pid
LOCKFILE=${TMPDIR:-/tmp}/zetrino-services.lock

security_db() {
    local conf=/etc/firebird/3.0/databases.conf dir
    dir=$(sed -n 's/^[[:space:]]*security\.db[[:space:]]*=[[:space:]]*//p' "$conf" 2>/dev/null | head -1)
    dir=${dir//\$(dir_secDb)//var/lib/firebird/3.0/system}
    echo "${dir:-/var/lib/firebird/3.0/system/security3.fdb}"
}

port_open() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

admin_ready() {
    fbsvcmgr localhost:service_mgr -user "$FB_USER" -password "$FB_PASSWORD" \
        info_svr_db_info >/dev/null 2>&1
}

# Creates or resets the user and maps it to the admin role server-wide. Runs in embedded mode
# on the security database, so the server must be down and no password is needed.
ensure_user() {
    local out
    if ! out=$(isql-fb -q -b -user SYSDBA "$(security_db)" 2>&1 <<SQL
CREATE OR ALTER USER $FB_USER PASSWORD '$FB_PASSWORD' USING PLUGIN Srp GRANT ADMIN ROLE;
COMMIT;
CREATE OR ALTER GLOBAL MAPPING ${FB_USER}_ADMIN USING PLUGIN Srp FROM USER $FB_USER TO ROLE RDB\$ADMIN;
COMMIT;
SQL
    ); then
        echo "cannot set up user $FB_USER: $out" >&2
        return 1
    fi
}

our_pids() {
    # The pid file holds the server; its parent is the guardian we started.
    [[ -s $PIDFILE ]] || return 0
    local server guard
    server=$(cat "$PIDFILE")
    if kill -0 "$server" 2>/dev/null; then
        guard=$(ps -o ppid= -p "$server" | tr -d ' ')
        [[ -n $guard && $guard != 1 ]] && echo "$guard"
        echo "$server"
    fi
}

stop_server() {
    local pids
    pids=$(our_pids)
    if [[ -z $pids ]]; then
        rm -f "$PIDFILE"
        return 0
    fi
    # Guardian first, so it does not restart the server.
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    for _ in $(seq 100); do
        port_open || break
        sleep 0.1
    done
    rm -f "$PIDFILE"
}

start() {
    exec 9>"$LOCKFILE"
    flock 9
    # Our file procedures, loaded by the server (and the embedded engine) from its plugin folder.
    "$(dirname "$0")/install-udr.sh" >&2
    if admin_ready; then
        return 0
    fi
    if port_open; then
        if [[ -n $(our_pids) ]]; then
            stop_server
        else
            echo "a Firebird server not started by this script holds port 3050 and does not" \
                 "accept $FB_USER/$FB_PASSWORD as admin; stop it first" >&2
            return 1
        fi
    fi
    ensure_user
    mkdir -p "$RUN_DIR"
    "$FBGUARD" -daemon -forever -pidfile "$PIDFILE"
    for _ in $(seq 150); do
        if admin_ready; then
            echo started
            return 0
        fi
        sleep 0.2
    done
    echo "the Firebird server did not come up on localhost:3050" >&2
    return 1
}

case "${1:-}" in
start) start ;;
stop)
    exec 9>"$LOCKFILE"
    flock 9
    stop_server
    ;;
status)
    if admin_ready; then echo running; else echo stopped; exit 1; fi
    ;;
*)
    echo "usage: $0 start|stop|status" >&2
    exit 2
    ;;
esac
