#!/bin/bash
# Installs (or reinstalls) the fan helper from this application bundle and
# registers it to start on demand. Runs as root.
#
# VENTIQ_ROOT      install under this directory instead of / (tests)
# VENTIQ_ACTIVATOR 1: where systemd is not running, keep the helper's socket
#                  with ventiq-activator instead of failing
set -u

resources="$(cd "$(dirname "$0")" && pwd)"
. "$resources/helper_common.sh" || { echo "install_helper: the bundle is missing helper_common.sh" >&2; exit 1; }
bundled="$resources/../Library/LaunchServices/$label"
install_dir="$root/Library/PrivilegedHelperTools"
installed="$install_dir/$label"
socket_path="${VENTIQ_HELPER_SOCKET:-/run/$label.sock}"

fail() {
    echo "install_helper: $*" >&2
    exit 1
}

[ -f "$bundled" ] || fail "the bundle has no helper at $bundled"

# Decide how the helper will be started before touching anything, so that a
# machine where it cannot be started is not left with a helper that looks
# installed.
if ! systemd_running && [ "${VENTIQ_ACTIVATOR:-0}" != "1" ]; then
    fail "systemd is not running here, so the helper cannot be started on demand (set VENTIQ_ACTIVATOR=1 to use ventiq-activator)"
fi

# An outdated helper must not keep serving: stop whatever runs first.
if systemd_running; then
    systemctl stop "$label.socket" "$label.service" >/dev/null 2>&1 || true
else
    stop_activator
fi

mkdir -p "$install_dir" || fail "cannot create $install_dir"
install -m 0755 -o root -g root "$bundled" "$installed.new" 2>/dev/null ||
    install -m 0755 "$bundled" "$installed.new" || fail "cannot copy the helper to $install_dir"
mv -f "$installed.new" "$installed" || fail "cannot put the helper at $installed"

if systemd_running; then
    mkdir -p "$unit_dir" || fail "cannot create $unit_dir"
    sed "s|/run/$label.sock|$socket_path|" "$resources/$label.socket" >"$unit_dir/$label.socket" ||
        fail "cannot write the socket unit"
    sed "s|@HELPER@|$installed|g" "$resources/$label.service.in" >"$unit_dir/$label.service" ||
        fail "cannot write the service unit"
    systemctl daemon-reload || fail "systemctl daemon-reload failed"
    systemctl enable --now "$label.socket" >/dev/null 2>&1 || fail "cannot enable $label.socket"
    exit 0
fi

# A socket file left by an earlier helper would pass the check below before
# the new activator has bound its own.
rm -f "$socket_path"
mkdir -p "$(dirname "$activator_pid")"
nohup "$resources/ventiq-activator" --socket "$socket_path" --pidfile "$activator_pid" \
    -- "$installed" >/dev/null 2>&1 &
for _ in $(seq 1 50); do [ -S "$socket_path" ] && exit 0; sleep 0.1; done
fail "the activator did not open $socket_path"
