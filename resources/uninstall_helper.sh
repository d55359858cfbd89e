#!/bin/bash
# Removes the fan helper. Stopping it sends SIGTERM, on which it hands every
# fan back to the system. Runs as root; always exits 0.
#
# VENTIQ_ROOT  uninstall under this directory instead of / (tests)
set -u

label="com.quillmoor.ventiq.helper"
root="${VENTIQ_ROOT:-}"
unit_dir="$root/etc/systemd/system"
activator_pid="$root/run/ventiq/helper-activator.pid"

if [ -d "$root/run/systemd/system" ]; then
    systemctl disable --now "$label.socket" >/dev/null 2>&1
    systemctl stop "$label.service" >/dev/null 2>&1
fi

if [ -f "$activator_pid" ]; then
    pid=$(cat "$activator_pid")
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid"
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$activator_pid"
fi

rm -f "$unit_dir/$label.socket" "$unit_dir/$label.service"
[ -d "$root/run/systemd/system" ] && systemctl daemon-reload >/dev/null 2>&1
rm -f "$root/Library/PrivilegedHelperTools/$label"
exit 0
