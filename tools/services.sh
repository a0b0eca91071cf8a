#!/usr/bin/env bash
# The Firebird server on loopback for the client/server tests, run as root (no systemd needed).
# User MORABY (password "qolvex") is created with admin rights.
# Usage: tools/services.sh start|stop|status [build-dir]
#   start   idempotent: does nothing when the server already answers MORABY with admin rights;
#           prints "started" when this call started it. Installs the UDR module of build-dir
#           (the argument, else $ZETRINO_BUILD_DIR, else build; relative to the repository root).
#   stop    stops a server that this script started.
# The plugin folder, the security database and /run belong to root and the firebird group, and
# the server runs as root: a user other than root gets those steps done through sudo.
set -euo pipefail

FB_USER=MORABY
FB_PASSWORD=qolvex
FBGUARD=/usr/sbin/fbguard
RUN_DIR=/run/firebird3.0
PIDFILE=$RUN_DIR/zetrino-firebird.pid
# One per user: a lock file another user created in /tmp cannot be opened for writing.
LOCKFILE=${TMPDIR:-/tmp}/zetrino-services-$(id -u).lock
TOOLS=$(cd "$(dirname "$0")" && pwd)

as_root() {
    if ((EUID == 0)); then "$@"; else sudo "$@"; fi
}

# Refuses up front rather than half-way through, after the user was already created.
need_root() {
    if ((EUID != 0)) && ! command -v sudo >/dev/null; then
        echo "tools/services.sh $1 needs root for Firebird's plugin folder, security database" \
             "and /run: run it as root, or install sudo and run it as a sudo user" >&2
        exit 1
    fi
}

security_db() {
    local conf=/etc/firebird/3.0/databases.conf dir
    dir=$(as_root sed -n 's/^[[:space:]]*security\.db[[:space:]]*=[[:space:]]*//p' "$conf" 2>/dev/null | head -1)
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
    if ! out=$(as_root isql-fb -q -b -user SYSDBA "$(security_db)" 2>&1 <<SQL
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
    # The pid file holds the server; its parent is the guardian we started. Both run as root,
    # so a plain user asks ps rather than kill -0 whether the server still lives.
    local server guard
    server=$(as_root cat "$PIDFILE" 2>/dev/null || true)
    [[ -n $server ]] || return 0
    if ps -p "$server" >/dev/null 2>&1; then
        guard=$(ps -o ppid= -p "$server" | tr -d ' ')
        [[ -n $guard && $guard != 1 ]] && echo "$guard"
        echo "$server"
    fi
}

stop_server() {
    local pids
    pids=$(our_pids)
    if [[ -z $pids ]]; then
        as_root rm -f "$PIDFILE"
        return 0
    fi
    # Guardian first, so it does not restart the server.
    for pid in $pids; do as_root kill "$pid" 2>/dev/null || true; done
    for _ in $(seq 100); do
        port_open || break
        sleep 0.1
    done
    as_root rm -f "$PIDFILE"
}

start() {
    need_root start
    exec 9>"$LOCKFILE"
    flock 9
    # Our file procedures, loaded by the server (and the embedded engine) from its plugin folder.
    "$TOOLS/install-udr.sh" "$1" >&2
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
    # The server's log (Debian's folder; some images lack it): refusals of our file
    # procedures are written there.
    as_root mkdir -p "$RUN_DIR" /var/log/firebird
    as_root "$FBGUARD" -daemon -forever -pidfile "$PIDFILE"
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
start) start "${2:-${ZETRINO_BUILD_DIR:-build}}" ;;
stop)
    need_root stop
    exec 9>"$LOCKFILE"
    flock 9
    stop_server
    ;;
status)
    if admin_ready; then echo running; else echo stopped; exit 1; fi
    ;;
*)
    echo "usage: $0 start|stop|status [build-dir]" >&2
    exit 2
    ;;
esac
