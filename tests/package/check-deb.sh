#!/usr/bin/env bash
# Builds the Debian package into a scratch folder and checks its control fields, its computed
# runtime dependencies and its contents.
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
for path in usr/bin/$app usr/share/applications/$app.desktop usr/share/mime/packages/$app.xml \
    usr/share/icons/hicolor/48x48/apps/$app.png usr/share/icons/hicolor/scalable/apps/$app.svg; do
    grep -q " \./$path\$" <<<"$contents" || fail "$path is not in the package"
done
grep -Eq "^-rwxr-xr-x root/root .* \./usr/bin/$app\$" <<<"$contents" ||
    fail "usr/bin/$app is not an executable owned by root"
if grep -Eq '\.(a|h|so)$|_tests?$|_bench$' <<<"$contents"; then
    fail "the package holds build products that are not the program"
fi

((failures == 0)) && rm -rf "$scratch"
exit $((failures > 0))
