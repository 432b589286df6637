#!/usr/bin/env bash
# Installs the build into an empty DESTDIR under /usr and checks that every file is where the
# desktop looks for it, that the desktop entry validates and agrees with the MIME package, and
# that nothing else (tests, benchmarks, libraries, headers) is installed.
# Usage: check-install.sh <build folder> <scratch folder>
set -euo pipefail
build=$1
scratch=$2
root=$scratch/root
share=$root/usr/share
app=sonexa-vireo-mixer
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$root"
DESTDIR=$root cmake --install "$build" --prefix /usr >"$scratch/install.log"

# Exactly these files, nothing more.
expected=(usr/bin/$app
    usr/share/applications/$app.desktop
    usr/share/mime/packages/$app.xml
    usr/share/icons/hicolor/scalable/apps/$app.svg
    usr/share/man/man1/$app.1.gz
    usr/share/doc/$app/copyright
    usr/share/doc/$app/changelog.gz
    usr/share/metainfo/example.brenmark.SonexaVireoMixer.metainfo.xml)
sizes=(16 32 48 64 128 256)
for size in "${sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . -type f -printf '%P\n' | sort) ||
    fail "the installed files differ from the expected list (< expected, > installed)"

[[ -x $root/usr/bin/$app ]] || fail "usr/bin/$app is not executable"

# Each PNG is the size its folder names (width and height in the IHDR chunk, bytes 16..23).
for size in "${sizes[@]}"; do
    png=$share/icons/hicolor/${size}x${size}/apps/$app.png
    [[ -f $png ]] || continue
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print ($1*16777216 + $2*65536 + $3*256 + $4), ($5*16777216 + $6*65536 + $7*256 + $8) }')
    [[ $w == "$size" && $h == "$size" ]] || fail "$png is ${w}x$h, not ${size}x$size"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/$app.svg" 2>/dev/null ||
    fail "the scalable icon is not an SVG image"

desktop=$share/applications/$app.desktop
mime=$share/mime/packages/$app.xml
[[ -f $desktop && -f $mime ]] || { echo "FAIL: desktop entry or MIME package missing" >&2; exit 1; }

if [[ -z ${DESKTOP_FILE_VALIDATE:-} ]]; then
    fail "desktop-file-validate not found (Debian package desktop-file-utils)"
elif ! "$DESKTOP_FILE_VALIDATE" "$desktop"; then
    fail "$desktop does not validate"
fi

key() { sed -n "s/^$1=//p" "$desktop"; }
[[ $(key Exec) == "$app %f" ]] || fail "Exec is '$(key Exec)', not '$app %f'"
[[ $(key Icon) == "$app" ]] || fail "Icon is '$(key Icon)', not '$app'"
for category in AudioVideo Audio Midi; do
    [[ ";$(key Categories)" == *";$category;"* ]] || fail "Categories lack $category"
done
type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime")
[[ -n $type ]] || fail "no mime-type in $mime"
[[ $(key MimeType) == "$type;" ]] || fail "MimeType is '$(key MimeType)', not the package's '$type;'"

# The MIME package as the desktop's database reads it: *.mix maps to the type.
if [[ -z ${UPDATE_MIME_DATABASE:-} ]]; then
    fail "update-mime-database not found (Debian package shared-mime-info)"
else
    mkdir -p "$scratch/mime/packages"
    cp "$mime" "$scratch/mime/packages/"
    "$UPDATE_MIME_DATABASE" "$scratch/mime" || fail "update-mime-database rejects $mime"
    grep -qx "[0-9]*:$type:\*\.mix" "$scratch/mime/globs2" 2>/dev/null ||
        fail "the MIME database does not map *.mix to $type"
fi

((failures == 0)) && rm -rf "$scratch"
exit $((failures > 0))
