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

# Only signal the pid file's process while it still runs the activator: the
# number may have been reused since. An exited activator nobody has reaped
# yet has an empty command line.
runs_activator() { [ -r "/proc/$1/cmdline" ] && tr '\0' ' ' <"/proc/$1/cmdline" | grep -q ventiq-activator; }

if [ -f "$activator_pid" ]; then
    pid=$(cat "$activator_pid")
    if runs_activator "$pid"; then
        kill -TERM "$pid"
        for _ in $(seq 1 50); do runs_activator "$pid" || break; sleep 0.1; done
    fi
    rm -f "$activator_pid"
fi

rm -f "$unit_dir/$label.socket" "$unit_dir/$label.service"
[ -d "$root/run/systemd/system" ] && systemctl daemon-reload >/dev/null 2>&1
rm -f "$root/Library/PrivilegedHelperTools/$label"
exit 0
