#!/usr/bin/env bash
# Runs 32-bit Windows programs under wine on a Debian amd64 machine whose archive cannot serve the
# i386 packages of wine32 beside the amd64 ones. Instead of i386 packages on the machine itself it
# keeps a small i386 Debian 12 tree, made with debootstrap from the machine's own archive (main
# suite only), with wine, wine32, Xvfb, fonts, tzdata, the locales our Windows checks use, ctest,
# python3 and openssl.
#
#   scripts/wine32.sh setup                     makes the tree once (about 1.5 minutes) or finds it
#                                               ready; prints its path
#   scripts/wine32.sh run DIR… -- CMD ARGS…     runs CMD as root inside the tree, each DIR bind-mounted
#                                               at the same path, the first one as the working folder
#                                               (makes the tree first when it is not there)
#   scripts/wine32.sh remove                    deletes the tree
#
# The tree lives outside the repository, in ${KOERSZICHT_WINE32_ROOT:-/var/cache/koerszicht-wine32/root},
# and is reused while its ready marker names the packages and locales below. Every mount is made in
# a mount namespace of the command's own, so nothing stays mounted when it ends, whether it passed,
# failed or was killed, and two runs at once do not see each other's folders; /tmp is new and
# empty for each run. A removal deletes only
# what the machine itself sees there (never through a bind mount) and not while a program runs in
# the tree.
# Inside the tree the environment is HOME=/root, PATH and LANG=C.UTF-8 only: pass what CMD needs
# through env or bash -c.
#
# Exit status: 0 when done (run: CMD's own status), 1 when a step fails, 2 for a wrong call, and
# 77 when it cannot work on this machine: no root rights, no debootstrap, the archive out of
# reach, or a kernel that does not run 32-bit programs.
set -euo pipefail
cannot=77
tree=${KOERSZICHT_WINE32_ROOT:-/var/cache/koerszicht-wine32/root}
suite=bookworm
# cmake for ctest: scripts/build-windows.sh --tests runs the core tests under wine with it;
# python3 and openssl serve the loopback quote and history sites (http and https) of
# scripts/test-windows-installer.sh, where xdotool clicks the update window's buttons.
packages=(wine wine32 xvfb xauth fonts-dejavu-core fonts-liberation locales tzdata cmake python3 openssl xdotool)
locales=(nl_NL.UTF-8 nl_BE.UTF-8 af_ZA.UTF-8 en_US.UTF-8 de_DE.UTF-8)
recipe="$suite i386: ${packages[*]}; locales: ${locales[*]}"
marker=$tree/.koerszicht-wine32-ready
log=$tree.log

say() { echo "wine32: $*" >&2; }
cannot() {
    say "$*"
    exit $cannot
}

case $tree in
    /*/*) ;;
    *)
        say "KOERSZICHT_WINE32_ROOT must be an absolute path below a folder, not '$tree'"
        exit 2
        ;;
esac
tree=${tree%/}

# The archive of the machine's own Debian packages: the first source that serves the main suite
# (the security suite's i386 index is what fails here, so it is left out).
archive() {
    local found=
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        found=$(awk -v suite="$suite" '
            BEGIN { RS = ""; FS = "\n" }
            {
                uri = ""; ok = 0; types = 0
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^#/) continue
                    if ($i ~ /^Types:/ && $i ~ /[ \t]deb([ \t]|$)/) types = 1
                    if ($i ~ /^URIs:/) { split($i, f, /[ \t]+/); uri = f[2] }
                    if ($i ~ /^Suites:/ && $i ~ ("[ \t]" suite "([ \t]|$)")) ok = 1
                }
                if (types && ok && uri != "") { print uri; exit }
            }' /etc/apt/sources.list.d/debian.sources)
    fi
    if [ -z "$found" ] && [ -f /etc/apt/sources.list ]; then
        found=$(awk -v suite="$suite" '$1 == "deb" && $0 ~ ("[ \t]" suite "[ \t]") {
            for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' /etc/apt/sources.list)
    fi
    echo "${found:-http://deb.debian.org/debian}"
}

# Mounts made by the machine itself below the tree (none, unless something outside this script
# mounted there): a removal must not go through them.
host_mounts() {
    awk -v t="$tree" 'index($2, t "/") == 1 || $2 == t { print $2 }' /proc/mounts
}

# Processes whose root folder is the tree: a command of a run still going.
tree_in_use() {
    local process
    for process in /proc/[0-9]*; do
        [ "$(readlink "$process/root" 2>/dev/null)" = "$tree" ] && return 0
    done
    return 1
}

remove_tree() {
    [ -e "$tree" ] || return 0
    if [ -n "$(host_mounts)" ]; then
        say "$tree still has mounts ($(host_mounts | tr '\n' ' ')); not removing it"
        return 1
    fi
    if tree_in_use; then
        say "a program is running in $tree; not removing it"
        return 1
    fi
    rm -rf --one-file-system "$tree"
}

# in_tree DIR… -- CMD…: CMD inside the tree, in a mount namespace of its own with /proc, /dev, an
# empty /tmp (wine's server folders and Xvfb's sockets are not shared with another run nor kept)
# and the folders DIR bound in; the namespace and its mounts end with the last process in it.
in_tree() {
    local binds=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        binds+=("$1")
        shift
    done
    shift
    unshare --mount --propagation private -- bash -c '
        set -e
        tree=$1 count=$2
        shift 2
        mount -t proc proc "$tree/proc"
        mount --rbind /dev "$tree/dev"
        mount -t tmpfs -o mode=1777 tmpfs "$tree/tmp"
        work=/
        for ((i = 0; i < count; i++)); do
            mkdir -p "$tree$1"
            mount --bind "$1" "$tree$1"
            [ $i -gt 0 ] || work=$1
            shift
        done
        exec chroot "$tree" /usr/bin/env -i HOME=/root PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin \
            LANG=C.UTF-8 /bin/bash -c "cd \"\$0\" && exec \"\$@\"" "$work" "$@"
    ' _ "$tree" ${#binds[@]} "${binds[@]}" "$@"
}

# A kernel without 32-bit support cannot start the tree's programs ("Exec format error", 126).
runs_32bit() {
    local status=0
    chroot "$tree" /bin/true 2>/dev/null || status=$?
    [ $status -ne 126 ]
}

# Whether a failed step of the set-up could not reach the archive (then nothing is wrong with the
# script or the machine's packages, it just cannot be done here now).
archive_unreachable() {
    grep -qiE "Couldn't download|Failed getting release|Failed to fetch|Temporary failure resolving|Could not resolve|Network is unreachable|Connection (refused|timed out)|Unable to connect" "$log"
}

setup() {
    [ "$(id -u)" -eq 0 ] || cannot "root rights are needed to make and enter the i386 tree (debootstrap, chroot, mount)"
    mkdir -p "$(dirname "$tree")"
    exec 9>"$tree.lock"
    flock 9 # one set-up at a time; a second waits and then finds the tree ready
    if [ -f "$marker" ] && [ "$(cat "$marker")" = "$recipe" ]; then
        runs_32bit || cannot "this kernel does not run 32-bit programs; the i386 tree cannot be used"
        echo "$tree"
        return
    fi
    local start=$SECONDS
    : >"$log"
    if [ ! -x "$tree/usr/bin/apt-get" ] || [ -e "$tree/debootstrap" ]; then
        if ! command -v debootstrap >/dev/null; then
            say "installing debootstrap"
            { DEBIAN_FRONTEND=noninteractive timeout 300 apt-get install -y -qq --no-install-recommends debootstrap ||
                { DEBIAN_FRONTEND=noninteractive timeout 300 apt-get update -qq &&
                    DEBIAN_FRONTEND=noninteractive timeout 300 apt-get install -y -qq --no-install-recommends debootstrap; }; } \
                >>"$log" 2>&1 || cannot "debootstrap cannot be installed here (see $log)"
        fi
        local mirror
        mirror=$(archive)
        say "making an i386 Debian $suite tree in $tree from $mirror"
        remove_tree || exit 1
        mkdir -p "$tree"
        # First the packages are only unpacked, so that a kernel without 32-bit support is found
        # before anything in the tree has to run.
        if ! timeout 900 debootstrap --arch=i386 --variant=minbase --foreign "$suite" "$tree" "$mirror" >>"$log" 2>&1; then
            archive_unreachable && cannot "the archive $mirror cannot be reached (see $log)"
            tail -n 20 "$log" >&2
            say "debootstrap failed (see $log)"
            exit 1
        fi
        runs_32bit || cannot "this kernel does not run 32-bit programs; the i386 tree cannot be used"
        if ! unshare --mount --propagation private -- chroot "$tree" /debootstrap/debootstrap --second-stage >>"$log" 2>&1; then
            tail -n 20 "$log" >&2
            say "the second stage of debootstrap failed (see $log)"
            exit 1
        fi
        echo "deb $mirror $suite main" >"$tree/etc/apt/sources.list"
    fi
    cp /etc/resolv.conf "$tree/etc/resolv.conf" 2>/dev/null || true
    say "installing ${packages[*]} in the tree"
    printf '%s UTF-8\n' "${locales[@]}" >"$tree/etc/locale.gen"
    if ! in_tree -- bash -c 'export DEBIAN_FRONTEND=noninteractive
        timeout 300 apt-get update -qq &&
        timeout 900 apt-get install -y -qq --no-install-recommends "$@" &&
        locale-gen && apt-get clean' _ "${packages[@]}" >>"$log" 2>&1; then
        archive_unreachable && cannot "the archive cannot be reached from the tree (see $log)"
        tail -n 20 "$log" >&2
        say "installing in the tree failed (see $log)"
        exit 1
    fi
    echo "$recipe" >"$marker"
    say "the i386 tree is ready in $((SECONDS - start)) s"
    echo "$tree"
}

command=${1:-}
[ $# -eq 0 ] || shift
case $command in
    setup)
        setup
        ;;
    run)
        dirs=()
        while [ $# -gt 0 ] && [ "$1" != -- ]; do
            [ -d "$1" ] || { say "no folder $1"; exit 2; }
            dir=$(cd "$1" && pwd -P)
            case $dir/ in "$tree"/*)
                say "$dir lies inside the tree"
                exit 2
                ;;
            esac
            dirs+=("$dir")
            shift
        done
        [ $# -gt 1 ] && [ ${#dirs[@]} -gt 0 ] || { say "usage: $0 run DIR… -- CMD ARGS…"; exit 2; }
        shift
        setup >/dev/null
        exec 9>&-
        in_tree "${dirs[@]}" -- "$@"
        ;;
    remove)
        [ "$(id -u)" -eq 0 ] || cannot "root rights are needed to remove the i386 tree"
        mkdir -p "$(dirname "$tree")"
        exec 9>"$tree.lock"
        flock 9
        remove_tree || exit 1
        rm -f "$log"
        say "removed $tree"
        ;;
    *)
        sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2
        exit 2
        ;;
esac
