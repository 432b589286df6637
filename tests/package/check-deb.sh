#!/usr/bin/env bash
# Builds the Debian package into a scratch folder and checks its control fields, its computed
# runtime dependencies and its contents, then runs lintian on it and validates its AppStream
# metadata.
# Usage: check-deb.sh <build folder> <scratch folder> <project version>
set -euo pipefail
build=$1
scratch=$2
version=$3
[[ $version == *.*.* ]] || version=$version.0
app=sonexa-vireo-mixer
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch"
cpack --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" ||
    { cat "$scratch/cpack.log" >&2; echo "FAIL: cpack failed" >&2; exit 1; }

deb=$scratch/${app}_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { echo "FAIL: no $deb; cpack wrote: $(ls "$scratch")" >&2; exit 1; }

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == "$app" ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', not $version"
[[ $(field Section) == sound ]] || fail "Section is '$(field Section)', not sound"
[[ $(field Maintainer) == *'<'*@*'>' ]] || fail "Maintainer '$(field Maintainer)' has no address"
description=$(field Description)
[[ $(head -n1 <<<"$description") =~ [a-z] ]] || fail "no one-line summary"
(($(wc -l <<<"$description") >= 2)) || fail "no long description"

# Runtime libraries found by dpkg-shlibdeps in what the program links.
depends=$(field Depends)
for library in libqt6widgets6 libqt6network6 libqt6dbus6 libjack libasound2 libc6; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[[ $(field Recommends) == *qt6-wayland* ]] || fail "Recommends lacks qt6-wayland: $(field Recommends)"

contents=$(dpkg-deb --contents "$deb")
metainfo=usr/share/metainfo/example.brenmark.SonexaVireoMixer.metainfo.xml
for path in usr/bin/$app usr/share/applications/$app.desktop usr/share/mime/packages/$app.xml \
    usr/share/icons/hicolor/48x48/apps/$app.png usr/share/icons/hicolor/scalable/apps/$app.svg \
    usr/share/man/man1/$app.1.gz usr/share/doc/$app/copyright usr/share/doc/$app/changelog.gz \
    $metainfo; do
    grep -q " \./$path\$" <<<"$contents" || fail "$path is not in the package"
done
grep -Eq "^-rwxr-xr-x root/root .* \./usr/bin/$app\$" <<<"$contents" ||
    fail "usr/bin/$app is not an executable owned by root"
if grep -Eq '\.(a|h|so)$|_tests?$|_bench$' <<<"$contents"; then
    fail "the package holds build products that are not the program"
fi

# What the package's documents and metadata say, read from the package itself.
unpacked=$scratch/unpacked
dpkg-deb --extract "$deb" "$unpacked"
doc=$unpacked/usr/share/doc/$app
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$doc/copyright" 2>/dev/null || fail "the copyright file is not machine-readable"
grep -q '^License: GPL-3+$' "$doc/copyright" 2>/dev/null || fail "the copyright names no GPL-3+"
[[ $(zcat "$doc/changelog.gz" 2>/dev/null | head -n1) == "$app ($version) "* ]] ||
    fail "the changelog's first entry is not version $version"
manual=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$unpacked/usr/share/man/man1/$app.1.gz" 2>&1)
for word in --help --version user.reg machine.reg Default.mix XDG_CONFIG_HOME XDG_DATA_HOME; do
    grep -qF -- "$word" <<<"$manual" || fail "the manual page does not mention $word"
done
# The metadata launches the desktop entry shipped beside it and provides its file type.
xml=$unpacked/$metainfo
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$xml" ||
    fail "the metainfo does not launch $app.desktop"
mimetype=$(sed -n 's/^MimeType=\(.*\);$/\1/p' "$unpacked/usr/share/applications/$app.desktop")
grep -q "<mediatype>$mimetype</mediatype>" "$xml" || fail "the metainfo does not provide $mimetype"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$xml" ||
    fail "the metainfo names another project license"
appstreamcli validate --no-net "$xml" >"$scratch/appstream.log" 2>&1 ||
    fail "appstreamcli validate --no-net failed: $(cat "$scratch/appstream.log")"

# lintian: no error and no warning.
lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$scratch/lintian.log" 2>&1 ||
    fail "lintian found errors or warnings: $(grep -E '^[EW]:' "$scratch/lintian.log" || cat "$scratch/lintian.log")"

((failures == 0)) && rm -rf "$scratch"
exit $((failures > 0))
