#!/usr/bin/env bash
# Unpacks Debian's current kernel package into a cache folder (no install, nothing in /boot)
# and indexes its modules, so that qemu can boot it and the guest can load sound modules.
# Usage: fetch-kernel.sh CACHE_DIR. Prints the unpacked kernel's folder on standard output.
set -euo pipefail
mkdir -p "$1"
cache=$(cd "$1" && pwd)
cd "$cache"

# The metapackage names the versioned image package it depends on.
image_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n1
}
package=$(image_package)
if [[ -z "$package" && $EUID == 0 ]]; then
    apt-get update -q >&2 # a machine whose package lists were cleaned
    package=$(image_package)
fi
if [[ -z "$package" ]]; then
    echo "fetch-kernel: apt-cache knows no linux-image-amd64 (run apt-get update)" >&2
    exit 1
fi
root="$cache/$package"
if [[ -f "$root/.unpacked" ]]; then
    echo "$root"
    exit 0
fi

rm -rf "$root" download
mkdir -p download
(cd download && apt-get download -q "$package" >&2)
deb=$(ls download/*.deb | head -n1)
# Only the current kernel is kept.
find "$cache" -mindepth 1 -maxdepth 1 -name 'linux-image-*' ! -name "$package" -exec rm -rf {} +
dpkg-deb -x "$deb" "$root"
rm -rf download
version=$(ls "$root/lib/modules" | head -n1)
depmod -b "$root" "$version"
touch "$root/.unpacked"
echo "$root"
