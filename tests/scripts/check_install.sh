#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks, with the desktop's own validators, that the
# program starts and the desktop entry, the pieces' type, the icons and the AppStream metainfo.
#   check_install.sh <cmake> <build dir> <source dir> [<config>]
set -euo pipefail
cmake=$1 build=$2 source=$3 config=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
skip() { echo "SKIP: $1 not found"; }

"$cmake" --install "$build" --prefix "$prefix" ${config:+--config "$config"} >"$work/install.log" ||
    { cat "$work/install.log" >&2; echo "FAIL: cmake --install failed" >&2; exit 1; }

# Without a display the dialog stays open until killed: an early end means it cannot start.
status=0
QT_QPA_PLATFORM=offscreen timeout -k 5 5 "$prefix/bin/velda" >"$work/run.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$work/run.log" >&2; fail "installed bin/velda ended with status $status"; }
! readelf -d "$prefix/bin/velda" | grep -qE '\((RPATH|RUNPATH)\)' || fail "bin/velda looks for libraries in the build"

icons=$prefix/share/icons/hicolor
cmp -s "$source/resources/icons/velda.svg" "$icons/scalable/apps/velda.svg" || fail "the scalable icon is missing"
for size in 16 32 48 64 128 256; do
    cmp -s "$source/resources/icons/velda-$size.png" "$icons/${size}x${size}/apps/velda.png" ||
        fail "the ${size}x${size} icon is missing"
done

# File managers hand the chosen files over through %F, and offer the program for pieces.
desktop=$prefix/share/applications/velda.desktop
if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$desktop" 2>&1) && ! grep -q 'warning:' <<<"$out" || fail "desktop entry: $out"
else
    skip desktop-file-validate
fi
grep -qx 'Exec=velda %F' "$desktop" || fail "desktop entry: Exec is not 'velda %F'"
# English for every desktop language without a translation, Chinese as the zh_CN one.
for key in Name GenericName Comment; do
    value=$(sed -n "s/^$key=//p" "$desktop")
    [ -n "$value" ] && ! grep -qP '[^\x00-\x7F]' <<<"$value" || fail "desktop entry: $key is not English: $value"
    grep -q "^$key\[zh_CN\]=" "$desktop" || fail "desktop entry: no $key[zh_CN]"
done
grep -Eq '^MimeType=(.*;)?application/x-velda-piece;' "$desktop" || fail "desktop entry: no piece type"

mime=$prefix/share/mime
if command -v update-mime-database >/dev/null; then
    update-mime-database "$mime" >"$work/mime.log" 2>&1 || fail "update-mime-database: $(cat "$work/mime.log")"
    grep -q '<comment xml:lang="zh_CN">..*</comment>' "$mime/packages/velda.xml" || fail "mime: no Chinese comment"
    grep -q '<comment>..*</comment>' "$mime/packages/velda.xml" || fail "mime: no English comment"
    # What a desktop sees: the type of a piece, looked up through the installed database.
    piece=$work/movie000.avi.qv
    printf 'piece data' >"$piece"
    export XDG_DATA_HOME=$work/home XDG_DATA_DIRS=$prefix/share:/usr/share
    if command -v gio >/dev/null; then
        type=$(gio info -a standard::content-type "$piece" | sed -n 's/.*standard::content-type: //p')
    else
        type=$(sed -n 's/:\*\.qv$//p' "$mime/globs")
    fi
    [ "$type" = application/x-velda-piece ] || fail "a .qv file is of type '$type'"
else
    skip update-mime-database
fi

metainfo=$(find "$prefix/share/metainfo" -name '*.metainfo.xml')
! grep -n '@[A-Za-z_]*@' "$metainfo" || fail "metainfo: a placeholder was not filled in"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"
    # What a software centre shows: pedantic validation must report nothing at all.
    out=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) && ! grep -qE '^[EWIP]: ' <<<"$out" ||
        fail "appstreamcli validate --pedantic: $out"
    for element in '<project_license>MIT</project_license>' '<binary>velda</binary>' '<content_rating' \
        '<screenshot type="default">' '<release version=' '<name xml:lang="zh_CN">岚舟文件分割机</name>'; do
        grep -qF "$element" "$metainfo" || fail "metainfo has no $element"
    done
    # Untranslated languages get the elements without xml:lang: English, each with its zh_CN twin.
    texts() { perl -0777 -ne 'while (/<(name|summary|p|li|caption)'"$1"'>(.*?)<\/\1>/sg) { print "$1: $2\n" }' "$metainfo"; }
    english=$(texts '') chinese=$(texts ' xml:lang="zh_CN"')
    grep -qx 'name: Velda' <<<"$english" || fail "metainfo: the default name is not Velda: $english"
    ! grep -P '[^\x00-\x7F]' <<<"$english" >&2 || fail "metainfo: a default text is not English"
    [ "$(grep -oE '^[a-z]+:' <<<"$english")" = "$(grep -oE '^[a-z]+:' <<<"$chinese")" ] ||
        fail "metainfo: not every text has its zh_CN translation: $chinese"
    first=$(grep -o '<image>[^<]*</image>' "$metainfo" | head -n 1)
    [[ $first == */split-en.png\</image\> ]] || fail "the first screenshot is not the English one: $first"
else
    skip appstreamcli
fi

if [ "$failures" -ne 0 ]; then
    (cd "$prefix" && find . -type f | sort) >&2
    exit 1
fi
echo "installation checks passed"
