#!/bin/bash
# Tests of the Debian package, one step per call:
#   package_test.sh build    BUILD_DIR OUT_DIR   build the package with cpack into OUT_DIR
#   package_test.sh contents OUT_DIR             files, modes and control fields
#   package_test.sh install  OUT_DIR             install into a scratch root, run, purge
#   package_test.sh lintian  OUT_DIR             no lintian error or warning left unexplained
set -euo pipefail

step=$1
shift
export PATH="$PATH:/usr/sbin:/sbin"

bundle=Applications/Tavrinel.app/Contents
label=com.quillmoor.ventiq.helper
fails=0

fail() {
    echo "FAIL: $*" >&2
    fails=$((fails + 1))
}

finish() {
    [ "$fails" -eq 0 ] || { echo "$fails check(s) failed" >&2; exit 1; }
    echo "ok"
}

the_package() {
    local debs=("$1"/tavrinel_*.deb)
    [ -f "${debs[0]}" ] || { echo "no package in $1: run the build step first" >&2; exit 1; }
    echo "${debs[0]}"
}

case "$step" in
build)
    build_dir=$1 out=$2
    rm -rf "$out"
    mkdir -p "$out"
    cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$out/work" >"$out/cpack.log" 2>&1 ||
        { cat "$out/cpack.log" >&2; exit 1; }
    mv "$out"/work/tavrinel_*.deb "$out/"
    rm -rf "$out/work"
    ls -l "$out"/*.deb
    ;;

contents)
    deb=$(the_package "$1")
    listing=$(dpkg-deb -c "$deb")

    # path in the package | mode it must have
    expected=(
        "./$bundle/MacOS/Ventiq|-rwxr-xr-x"
        "./$bundle/MacOS/ventiqctl|-rwxr-xr-x"
        "./$bundle/Library/LaunchServices/$label|-rwxr-xr-x"
        "./$bundle/Resources/install_helper.sh|-rwxr-xr-x"
        "./$bundle/Resources/uninstall_helper.sh|-rwxr-xr-x"
        "./$bundle/Resources/helper_common.sh|-rw-r--r--"
        "./$bundle/Resources/ventiq-activator|-rwxr-xr-x"
        "./$bundle/Resources/$label.socket|-rw-r--r--"
        "./$bundle/Resources/$label.service.in|-rw-r--r--"
        "./usr/bin/ventiq-smcsim|-rwxr-xr-x"
        "./usr/share/applications/com.quillmoor.ventiq.desktop|-rw-r--r--"
        "./usr/share/metainfo/com.quillmoor.ventiq.metainfo.xml|-rw-r--r--"
        "./usr/share/polkit-1/actions/com.quillmoor.ventiq.policy|-rw-r--r--"
        "./usr/share/icons/hicolor/scalable/apps/com.quillmoor.ventiq.svg|-rw-r--r--"
        "./usr/share/doc/tavrinel/copyright|-rw-r--r--"
        "./usr/share/doc/tavrinel/changelog.gz|-rw-r--r--"
        "./usr/share/man/man1/ventiq-smcsim.1.gz|-rw-r--r--"
    )
    for size in 16 22 24 32 48 64 128 256 512; do
        expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/com.quillmoor.ventiq.png|-rw-r--r--")
    done
    for row in "${expected[@]}"; do
        path=${row%%|*} mode=${row##*|}
        line=$(awk -v p="$path" '$6 == p' <<<"$listing")
        if [ -z "$line" ]; then
            fail "missing $path"
        elif [ "${line%% *}" != "$mode" ]; then
            fail "$path has mode ${line%% *}, wants $mode"
        elif ! grep -q ' root/root ' <<<"$line"; then
            fail "$path is not owned by root: $line"
        fi
    done
    # Programs outside the bundle go to /usr/bin: dpkg must not own /usr/local.
    grep -q ' \./usr/local' <<<"$listing" && fail "the package installs under /usr/local"

    # control field | pattern its value must match
    fields=(
        "Package|^tavrinel$"
        "Architecture|^$(dpkg --print-architecture)$"
        "Version|^[0-9]+\.[0-9]+\.[0-9]+"
        "Section|^utils$"
        "Depends|libqt6widgets6"
        "Depends|libc6"
        "Depends|pkexec \| policykit-1"
        "Depends|qt6-qpa-plugins"
        "Description|Apple-silicon"
    )
    for row in "${fields[@]}"; do
        field=${row%%|*} pattern=${row#*|}
        value=$(dpkg-deb -f "$deb" "$field")
        grep -Eq -- "$pattern" <<<"$value" || fail "control field $field is '$value', wants /$pattern/"
    done
    control=$(dpkg-deb -I "$deb")
    grep -Eq '^ +[0-9]+ bytes, +[0-9]+ lines +\* +postrm +#!/bin/bash' <<<"$control" ||
        fail "no executable postrm in the control archive: $control"

    # The polkit actions pick the bundle's own scripts by path: those paths
    # must be the ones the package installs.
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    dpkg-deb -x "$deb" "$work"
    for script in $(grep -o '/Applications/[^<]*\.sh' "$work/usr/share/polkit-1/actions/com.quillmoor.ventiq.policy"); do
        [ -x "$work$script" ] || fail "the polkit action names $script, which the package does not install"
    done
    exec_line=$(grep '^Exec=' "$work/usr/share/applications/com.quillmoor.ventiq.desktop")
    [ -x "$work${exec_line#Exec=}" ] || fail "the desktop entry starts ${exec_line#Exec=}, which the package does not install"
    [ "$(grep -c 'org.freedesktop.policykit.exec.argv1' "$work/usr/share/polkit-1/actions/com.quillmoor.ventiq.policy")" -eq 2 ] ||
        fail "the polkit file does not pick exactly the two scripts"
    grep -q "release version=\"$(dpkg-deb -f "$deb" Version)\"" "$work/usr/share/metainfo/com.quillmoor.ventiq.metainfo.xml" ||
        fail "the AppStream release is not the package's version"
    finish
    ;;

install)
    deb=$(the_package "$1")
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
    touch "$root/var/lib/dpkg/status"
    # Without a chroot dpkg passes the scratch root to the maintainer scripts
    # in DPKG_ROOT; the libraries come from this machine, so the scratch
    # root's empty package list does not count against the dependencies.
    dpkg_root() {
        local force=--force-script-chrootless,depends
        [ "$(id -u)" -eq 0 ] || force+=,not-root
        dpkg --root="$root" "$force" --log=/dev/null "$@"
    }
    dpkg_root --install "$deb" >"$root/dpkg.log" 2>&1 || { cat "$root/dpkg.log" >&2; exit 1; }
    [ "$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' tavrinel)" = "install ok installed" ] ||
        fail "dpkg does not list the package as installed"

    # The installed programs run from the scratch root with this machine's libraries.
    out=$("$root/$bundle/MacOS/Ventiq" --selftest 2>&1) || fail "installed Ventiq --selftest failed: $out"
    out=$("$root/usr/bin/ventiq-smcsim" --list-machines 2>&1) || fail "installed ventiq-smcsim failed: $out"
    grep -q m5max <<<"$out" || fail "installed ventiq-smcsim lists no m5max: $out"
    out=$("$root/$bundle/MacOS/ventiqctl" --help 2>&1) || fail "installed ventiqctl --help failed: $out"

    # A helper as the install script leaves it, with its units and log.
    mkdir -p "$root/Library/PrivilegedHelperTools" "$root/etc/systemd/system" "$root/var/log"
    cp "$root/$bundle/Library/LaunchServices/$label" "$root/Library/PrivilegedHelperTools/$label"
    touch "$root/etc/systemd/system/$label.socket" "$root/etc/systemd/system/$label.service" \
        "$root/var/log/$label.log" "$root/var/log/$label.log.1"

    # A plain remove takes the package's files and leaves the helper.
    dpkg_root --remove tavrinel >>"$root/dpkg.log" 2>&1 || { cat "$root/dpkg.log" >&2; exit 1; }
    [ -e "$root/$bundle/MacOS/Ventiq" ] && fail "remove left the bundle"
    [ -e "$root/usr/share/applications/com.quillmoor.ventiq.desktop" ] && fail "remove left the desktop entry"
    [ -e "$root/Library/PrivilegedHelperTools/$label" ] || fail "remove took the installed helper, which only purge takes"

    # Purge takes down what the application installed at run time.
    dpkg_root --purge tavrinel >>"$root/dpkg.log" 2>&1 || { cat "$root/dpkg.log" >&2; exit 1; }
    for left in "Library" "etc/systemd/system/$label.socket" "etc/systemd/system/$label.service" \
        "var/log/$label.log" "var/log/$label.log.1"; do
        [ -e "$root/$left" ] && fail "purge left /$left"
    done
    [ -e "$root/Applications" ] && fail "purge left /Applications: $(find "$root/Applications")"
    [ -z "$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' tavrinel 2>/dev/null || true)" ] ||
        fail "dpkg still lists the package after purge"
    finish
    ;;

lintian)
    deb=$(the_package "$1")
    if ! command -v lintian >/dev/null; then
        echo "lintian is not installed; skipped"
        exit 0
    fi
    # Tags the package carries on purpose are overridden, each with its
    # reason, in the package's own lintian overrides; what remains must not
    # be an error or a warning.
    report=$(lintian --allow-root --tag-display-limit 0 "$deb" 2>&1 || true)
    echo "$report"
    if grep -Eq '^[EW]: ' <<<"$report"; then
        fail "lintian reports errors or warnings"
    fi
    finish
    ;;

*)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac
