#!/usr/bin/env bash
# Builds the Debian package with CPack into a temporary folder and checks its name, its
# contents and its control fields.
#   check_package.sh <cpack> <build dir> <version>
# Exits with 77 (skipped) where the Debian tools are missing.
set -euo pipefail

cpack=$1
build=$2
version=$3

for tool in dpkg dpkg-deb dpkg-shlibdeps file; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool not found (packages dpkg-dev, file)"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; echo "FAIL: cpack -G DEB failed" >&2; exit 1; }

arch=$(dpkg --print-architecture)
deb=$work/out/velda_${version}_${arch}.deb
if [ ! -f "$deb" ]; then
    ls -l "$work/out" >&2
    echo "FAIL: cpack made no velda_${version}_${arch}.deb" >&2
    exit 1
fi

# --- contents --------------------------------------------------------------------------------
dpkg-deb -c "$deb" >"$work/contents"
expected=(
    ./usr/bin/velda
    ./usr/share/applications/velda.desktop
    ./usr/share/mime/packages/velda.xml
    ./usr/share/icons/hicolor/scalable/apps/velda.svg
)
for size in 16 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/velda.png")
done
# Fields of `dpkg-deb -c`: mode, owner/group, size, date, time, path.
files=$(awk '$1 !~ /^d/ {print $6}' "$work/contents" | sort)
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$files" || fail "package lacks $path"
done
metainfo=$(grep -E '^\./usr/share/metainfo/[^/]+\.metainfo\.xml$' <<<"$files" || true)
[ "$(grep -c . <<<"$metainfo")" -eq 1 ] || fail "package should hold one metainfo file, holds: ${metainfo:-none}"
# Nothing else: a stray install rule (a test helper, a header) would end up on users' machines.
known=("${expected[@]}")
[ -z "$metainfo" ] || known+=("$metainfo")
unexpected=$(grep -vxF -f <(printf '%s\n' "${known[@]}") <<<"$files" || true)
[ -z "$unexpected" ] || fail "package holds unexpected files: $unexpected"
awk '$6 !~ /^\.\/usr\// && $6 != "./"' "$work/contents" | grep . >&2 && fail "package holds paths outside /usr"
awk '$2 != "root/root"' "$work/contents" | grep . >&2 && fail "package holds files not owned by root"
grep -qE '^-rwxr-xr-x .* \./usr/bin/velda$' "$work/contents" || fail "/usr/bin/velda is not mode 0755"

# --- control fields --------------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velda ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
[ -n "$(field Section)" ] || fail "no Section"
grep -qE '^[^<]+ <[^@>]+@[^>]+>$' <<<"$(field Maintainer)" || fail "Maintainer '$(field Maintainer)' is not 'name <address>'"
[ "$(field Description | wc -l)" -gt 1 ] || fail "Description has no extended text"
depends=$(field Depends)
# One package name a line, alternatives included, versions dropped.
depends_names=$(tr ',|' '\n' <<<"$depends" | sed 's/(.*//; s/[[:space:]]//g')
for package in libqt6core6 libqt6gui6 libqt6widgets6 libc6 libstdc++6 fonts-arphic-uming; do
    grep -qxF "$package" <<<"$depends_names" || fail "Depends lacks $package: $depends"
done
grep -qw xdg-utils <<<"$(field Recommends)" || fail "Recommends lacks xdg-utils (the help menu's links)"
# dpkg -V checks installed files against these sums.
sums=$(dpkg-deb -I "$deb" md5sums 2>/dev/null || true)
for path in "${expected[@]}"; do
    grep -qE "^[0-9a-f]{32}  ${path#./}\$" <<<"$sums" || fail "md5sums lacks ${path#./}"
done

# --- the unpacked tree -----------------------------------------------------------------------
dpkg-deb -x "$deb" "$work/root"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate-tree --no-net "$work/root/usr" || fail "appstreamcli validate-tree on the package"
fi
if command -v readelf >/dev/null; then
    sections=$(readelf -S "$work/root/usr/bin/velda")
    ! grep -qF '.debug_info' <<<"$sections" || fail "/usr/bin/velda is not stripped"
fi

if [ "$failures" -ne 0 ]; then
    dpkg-deb -I "$deb" >&2
    cat "$work/contents" >&2
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package checks passed: $(basename "$deb")"
echo "Depends: $depends"
