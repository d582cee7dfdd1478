#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its contents, its control fields and lintian's
# verdict (any error, warning or missing hardening fails). Exits with 77 without the Debian tools.
#   check_package.sh <cpack> <build dir> <version>
set -euo pipefail
cpack=$1 build=$2 version=$3
for tool in dpkg-deb dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool not found"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; echo "FAIL: cpack -G DEB failed" >&2; exit 1; }
deb=$work/out/velda_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls -l "$work/out" >&2; echo "FAIL: no $(basename "$deb")" >&2; exit 1; }

# What lands on users' machines, and nothing else (a stray install rule would).
expected=(./usr/bin/velda ./usr/share/applications/velda.desktop ./usr/share/mime/packages/velda.xml
    ./usr/share/icons/hicolor/scalable/apps/velda.svg ./usr/share/doc/velda/copyright ./usr/share/doc/velda/changelog.gz
    ./usr/share/man/man1/velda.1.gz ./usr/share/man/zh_CN/man1/velda.1.gz
    ./usr/share/bash-completion/completions/velda ./usr/share/zsh/vendor-completions/_velda
    ./usr/share/fish/vendor_completions.d/velda.fish
    ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/velda.png)
dpkg-deb -c "$deb" >"$work/contents"
files=$(awk '$1 !~ /^d/ {print $6}' "$work/contents" | grep -v '^\./usr/share/metainfo/[^/]*\.metainfo\.xml$' | sort)
[ "$files" = "$(printf '%s\n' "${expected[@]}" | sort)" ] || fail "package holds: $files"
awk '$2 != "root/root"' "$work/contents" | grep . >&2 && fail "package holds files not owned by root"

# The libraries from dpkg-shlibdeps, a CJK font, and Qt's own Chinese texts.
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n' | sed 's/(.*//; s/[[:space:]]//g')
for package in libqt6core6 libqt6widgets6 libqt6dbus6 libssl3 libc6 fonts-arphic-uming qt6-translations-l10n; do
    grep -qxF "$package" <<<"$depends" || fail "Depends lacks $package: $depends"
done
dpkg-deb -x "$deb" "$work/root"
! readelf -S "$work/root/usr/bin/velda" | grep -qF '.debug_info' || fail "/usr/bin/velda is not stripped"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate-tree --no-net "$work/root/usr" || fail "appstreamcli validate-tree on the package"
fi

# Informational tags pass, but not hardening-* ones: the build uses Debian's hardening flags.
if command -v lintian >/dev/null; then
    lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
        fail "lintian: $(cat "$work/lintian.log")"
    ! grep -E ': hardening-' "$work/lintian.log" >&2 || fail "lintian finds hardening missing"
else
    fail "lintian not found (scripts/setup installs it)"
fi

[ "$failures" -eq 0 ] || { dpkg-deb -I "$deb" >&2; exit 1; }
echo "package checks passed: $(basename "$deb")"
