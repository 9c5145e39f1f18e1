#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: Debian 13 (trixie) as a new user has it. Makes a fresh minimal root with debootstrap,
# installs git there, copies in a clone of this tree and runs in it, as root: the README's test
# command with the sound servers, then the package's build, lintian, install and autopkgtest
# (.ci/package.sh). The root has its own /proc, /sys, /dev/pts and /dev/shm; all are unmounted
# and the root removed on every exit.
# Downloaded packages and the compiler cache are kept on this machine between runs, in folders
# of their own (the host's apt holds its archive folder's lock), which only saves time.
# Usage: .ci/debian13.sh [SUITE]   (default trixie)
set -euo pipefail
cd "$(dirname "$0")/.."
tree="$PWD"
suite="${1:-trixie}"
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot, mount)" >&2; exit 1; }
scripts/install-deps.sh release_root

# The host's own Debian mirror, as its apt configuration names it.
host_release="$(. /etc/os-release && echo "$VERSION_CODENAME")"
mirror="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
    awk -v r="$host_release" '$2 == r { print $1; exit }')"
[ -n "$mirror" ] || { echo "$0: no Debian mirror for $host_release in the apt configuration" >&2; exit 1; }

scratch="$(mktemp -d /var/tmp/tavrin-"$suite"-XXXXXX)"
root="$scratch/root"
archives=/var/cache/tavrin-$suite/archives
compiler_cache=/var/cache/tavrin-$suite/ccache
mounted=()
cleanup() {
    local status=$? i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || status=1
    done
    # Nothing may still be mounted inside before the root goes.
    if grep -qF " $root/" /proc/self/mountinfo; then
        echo "$0: mounts left under $root, not removing it" >&2
        status=1
    else
        rm -rf --one-file-system "$scratch"
    fi
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mount_in() { # mount arguments…, the target last
    mount "$@"
    mounted+=("${!#}")
}
started=$SECONDS
step() { printf '== debian13 [%ds] %s\n' $((SECONDS - started)) "$*"; }

step "debootstrap --variant=minbase $suite from $mirror"
mkdir -p "$archives/partial" "$compiler_cache"
debootstrap --variant=minbase --cache-dir="$archives" "$suite" "$root" "$mirror" \
    >"$scratch/debootstrap.log" 2>&1 || { tail -n 30 "$scratch/debootstrap.log"; exit 1; }

mount_in -t proc proc "$root/proc"
mount_in -t sysfs sysfs "$root/sys"
mount_in -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts"
mount_in --bind "$root/dev/pts/ptmx" "$root/dev/ptmx"
mount_in -t tmpfs -o mode=1777,size=2g shm "$root/dev/shm"
mount_in --bind "$archives" "$root/var/cache/apt/archives"
mkdir -p "$root/var/cache/ccache"
mount_in --bind "$compiler_cache" "$root/var/cache/ccache"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# apt inside must not clean the shared archive folder after installing.
echo 'APT::Keep-Downloaded-Packages "true";' >"$root/etc/apt/apt.conf.d/90keep-packages"

in_root() {
    chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 CI=true TERM=dumb DEBIAN_FRONTEND=noninteractive \
        CCACHE_DIR=/var/cache/ccache CCACHE_MAXSIZE=5G CCACHE_BASEDIR=/root \
        CMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
}

step "git, then a clone of this tree"
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends git ca-certificates >/dev/null
git clone -q --no-hardlinks "$tree" "$root/root/tavrin"

step "the README's test command, with the sound servers"
in_root bash -c 'cd /root/tavrin && scripts/install-deps.sh sound_servers package >/dev/null &&
    scripts/install-deps.sh run test >/dev/null && scripts/test.sh'

step "the package: build, lintian, install over an earlier build, autopkgtest"
# The tests ran just above on this release; the package's own run of them would only repeat them.
in_root bash -c 'cd /root/tavrin && DEB_BUILD_OPTIONS=nocheck .ci/package.sh'

step "done"
