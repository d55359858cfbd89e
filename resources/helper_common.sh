# Shared by install_helper.sh and uninstall_helper.sh (sourced, not run).
#
# VENTIQ_ROOT  work under this directory instead of / (tests)

label="com.quillmoor.ventiq.helper"
root="${VENTIQ_ROOT:-}"
unit_dir="$root/etc/systemd/system"
activator_pid="$root/run/ventiq/helper-activator.pid"

systemd_running() { [ -d "$root/run/systemd/system" ]; }

# A pid file can outlive its activator, and the number can since belong to
# another process: only signal it while it still runs the activator. An
# exited activator nobody has reaped yet has an empty command line.
runs_activator() { [ -r "/proc/$1/cmdline" ] && tr '\0' ' ' <"/proc/$1/cmdline" | grep -q ventiq-activator; }

# Stopping the activator stops a running helper with SIGTERM, on which it
# hands every fan back.
stop_activator() {
    if [ -f "$activator_pid" ]; then
        pid=$(cat "$activator_pid")
        if runs_activator "$pid"; then
            kill -TERM "$pid"
            for _ in $(seq 1 50); do runs_activator "$pid" || break; sleep 0.1; done
        fi
        rm -f "$activator_pid"
    fi
}
