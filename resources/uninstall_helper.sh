#!/bin/bash
# Removes the fan helper. Stopping it sends SIGTERM, on which it hands every
# fan back to the system. Runs as root; always exits 0.
#
# VENTIQ_ROOT  uninstall under this directory instead of / (tests)
set -u

. "$(cd "$(dirname "$0")" && pwd)/helper_common.sh" || { echo "uninstall_helper: the bundle is missing helper_common.sh" >&2; exit 1; }

if systemd_running; then
    systemctl disable --now "$label.socket" >/dev/null 2>&1
    systemctl stop "$label.service" >/dev/null 2>&1
fi

stop_activator

rm -f "$unit_dir/$label.socket" "$unit_dir/$label.service"
systemd_running && systemctl daemon-reload >/dev/null 2>&1
rm -f "$root/Library/PrivilegedHelperTools/$label"
exit 0
