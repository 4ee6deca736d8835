#!/bin/sh
# Usage: check_unit.sh score|start <quorvex-server.service.in> <quorvex-server>
# score: the unit, written as the install writes it, passes `systemd-analyze verify` and rates
#        at most 2.0 in `systemd-analyze security` (printed).
# start: the unit started by the running systemd answers on its control socket and stops.
# Exit 77 (skipped) where the machine cannot tell.
set -eu
mode=$1 unit_in=$2 server=$(readlink -f "$3")
command -v systemd-analyze >/dev/null || { echo "SKIP: systemd-analyze is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed "s|@QUORVEX_GAMES_PATH@|$(dirname "$server")|" "$unit_in" >"$work/quorvex-server.service"

if [ "$mode" = score ]; then
    systemd-analyze verify --man=no "$work/quorvex-server.service"
    report=$(systemd-analyze security --offline=yes "$work/quorvex-server.service" 2>&1) || {
        echo "SKIP: this systemd-analyze cannot rate a unit file offline: $report" | tail -1
        exit 77
    }
    score=$(echo "$report" | sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
    echo "systemd-analyze security: $score (at most 2.0 wanted)"
    [ -n "$score" ] && awk "BEGIN { exit !($score <= 2.0) }" || { echo "$report"; exit 1; }
    exit 0
fi

if [ "$(id -u)" -ne 0 ] || [ ! -d /run/systemd/system ]; then
    echo "SKIP: no running systemd to start the unit with (root under systemd needed; a container usually has neither)"
    exit 77
fi
if ldd "$server" | grep -q -e libasan -e libubsan; then
    echo "SKIP: a sanitizer build cannot run under the unit's system call filter"
    exit 77
fi
name=quorvex-unit-test-$$
# The program where the unit's sandbox can run it (not under /tmp or /home).
bin=/run/$name-bin
mkdir -p "$bin" && chmod 755 "$bin" && cp "$server" "$bin/quorvex-server"
# Its own port, directories and name, so that an installed server is left alone.
sed -e "s|@QUORVEX_GAMES_PATH@|$bin|" -e "s|--no-stdin$|--no-stdin --players 3 --port 0|" \
    -e "s|=quorvex$|=$name|" "$unit_in" >"/run/systemd/system/$name.service"
cleanup() {
    systemctl stop "$name" 2>/dev/null || true
    rm -f "/run/systemd/system/$name.service"
    systemctl daemon-reload
    rm -rf "$work" "$bin"
}
trap cleanup EXIT
systemctl daemon-reload
systemctl start "$name"  # Type=notify: returns once the server said READY
reply=$("$server" --command list --control "/run/$name/control")
echo "$reply"
echo "$reply" | grep -q "^players: 0" || { journalctl -u "$name" --no-pager | tail -20; exit 1; }
systemctl show -p StatusText "$name"
systemctl stop "$name"
echo "the unit started, answered on its control socket and stopped"
