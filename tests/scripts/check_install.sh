#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs from it: the
# executable, the desktop entry, the type of the pieces, the hicolor icons and the AppStream
# metainfo.
#   check_install.sh <cmake> <build dir> <source dir> [<config>]
set -euo pipefail

cmake=$1
build=$2
source=$3
config=${4:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Width and height from a PNG's IHDR chunk, which always sits at byte 16.
png_size() {
    local b
    read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
    echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

# The value of an unlocalised key in the [Desktop Entry] group.
desktop_value() {
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1"
}

"$cmake" --install "$build" --prefix "$prefix" ${config:+--config "$config"} >"$work/install.log" ||
    { cat "$work/install.log" >&2; echo "FAIL: cmake --install failed" >&2; exit 1; }

# --- the executable ------------------------------------------------------------------------
exe=$prefix/bin/velda
if [ ! -f "$exe" ] || [ ! -x "$exe" ]; then
    fail "bin/velda is missing or not executable"
else
    [ "$(head -c 4 "$exe" | od -An -c | tr -d ' ')" = '177ELF' ] || fail "bin/velda is not an ELF file"
    # An installed program must not look for libraries in the build tree.
    if command -v readelf >/dev/null; then
        rpath=$(readelf -d "$exe" | grep -E '\((RPATH|RUNPATH)\)' || true)
        [ -z "$rpath" ] || fail "bin/velda keeps a run path: $rpath"
    fi
    # Started without a display, the dialog stays open until killed; an early exit means the
    # installed program cannot start (missing library or resource, crash at start-up).
    status=0
    QT_QPA_PLATFORM=offscreen timeout -k 5 5 "$exe" >"$work/run.log" 2>&1 || status=$?
    if [ "$status" -ne 124 ]; then
        cat "$work/run.log" >&2
        fail "installed bin/velda ended on its own with status $status instead of staying open"
    fi
fi

# --- icons -----------------------------------------------------------------------------------
icons=$prefix/share/icons/hicolor
if cmp -s "$source/resources/icons/velda.svg" "$icons/scalable/apps/velda.svg"; then :; else
    fail "share/icons/hicolor/scalable/apps/velda.svg is missing or differs from resources/icons/velda.svg"
fi
for size in 16 32 48 64 128 256; do
    icon=$icons/${size}x${size}/apps/velda.png
    if [ ! -f "$icon" ]; then
        fail "${icon#"$prefix"/} is missing"
        continue
    fi
    cmp -s "$source/resources/icons/velda-$size.png" "$icon" || fail "${icon#"$prefix"/} differs from its source"
    [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "${icon#"$prefix"/} is $(png_size "$icon"), not ${size}x${size}"
done

# --- desktop entry ---------------------------------------------------------------------------
desktop=$prefix/share/applications/velda.desktop
if [ ! -f "$desktop" ]; then
    fail "share/applications/velda.desktop is missing"
else
    if command -v desktop-file-validate >/dev/null; then
        if ! out=$(desktop-file-validate "$desktop" 2>&1); then
            fail "desktop-file-validate: $out"
        elif grep -q 'warning:' <<<"$out"; then
            fail "desktop-file-validate warns: $out"
        fi
    else
        echo "SKIP: desktop-file-validate not found (package desktop-file-utils)"
    fi
    [ "$(desktop_value "$desktop" Type)" = Application ] || fail "desktop entry: Type is not Application"
    [ "$(desktop_value "$desktop" Name)" = '岚舟文件分割机' ] || fail "desktop entry: Name is not 岚舟文件分割机"
    [ -n "$(desktop_value "$desktop" GenericName)" ] || fail "desktop entry: no GenericName"
    [ -n "$(desktop_value "$desktop" Comment)" ] || fail "desktop entry: no Comment"
    [ "$(desktop_value "$desktop" Terminal)" = false ] || fail "desktop entry: Terminal is not false"
    exec_line=$(desktop_value "$desktop" Exec)
    [ "${exec_line%% *}" = velda ] || fail "desktop entry: Exec runs '${exec_line%% *}', not velda"
    [ -x "$prefix/bin/${exec_line%% *}" ] || fail "desktop entry: Exec names no installed program"
    icon_name=$(desktop_value "$desktop" Icon)
    [ -f "$icons/scalable/apps/$icon_name.svg" ] || fail "desktop entry: Icon '$icon_name' is not an installed icon"
    grep -Eq '^Categories=(.*;)?Utility;' "$desktop" || fail "desktop entry: not in the Utility category"
    # File managers hand the chosen files over through %F, and offer the program for pieces.
    [ "$exec_line" = 'velda %F' ] || fail "desktop entry: Exec is '$exec_line', not 'velda %F'"
    grep -Eq '^MimeType=(.*;)?application/x-velda-piece;' "$desktop" ||
        fail "desktop entry: MimeType lacks application/x-velda-piece"
fi

# --- the type of the pieces ------------------------------------------------------------------
mime=$prefix/share/mime
if [ ! -f "$mime/packages/velda.xml" ]; then
    fail "share/mime/packages/velda.xml is missing"
elif ! command -v update-mime-database >/dev/null; then
    echo "SKIP: update-mime-database not found (package shared-mime-info)"
else
    if ! update-mime-database "$mime" >"$work/mime.log" 2>&1; then
        fail "update-mime-database: $(cat "$work/mime.log")"
    fi
    grep -qxF 'application/x-velda-piece:*.qv' "$mime/globs" ||
        fail "the mime database does not map *.qv to application/x-velda-piece"
    grep -q '<comment xml:lang="zh_CN">..*</comment>' "$mime/packages/velda.xml" || fail "mime type: no Chinese comment"
    grep -q '<comment>..*</comment>' "$mime/packages/velda.xml" || fail "mime type: no English comment"
    # What a desktop would see: a piece file's type looked up through the installed database.
    piece=$work/movie000.avi.qv
    printf 'piece data' >"$piece"
    mkdir -p "$work/home"
    if command -v gio >/dev/null; then
        type=$(XDG_DATA_HOME=$work/home XDG_DATA_DIRS=$prefix/share:/usr/share \
            gio info -a standard::content-type "$piece" | sed -n 's/.*standard::content-type: //p')
        [ "$type" = application/x-velda-piece ] || fail "gio sees a .qv file as '$type'"
    elif command -v xdg-mime >/dev/null; then
        type=$(XDG_DATA_HOME=$work/home XDG_DATA_DIRS=$prefix/share:/usr/share xdg-mime query filetype "$piece")
        [ "$type" = application/x-velda-piece ] || fail "xdg-mime sees a .qv file as '$type'"
    fi
fi

# --- AppStream metainfo ----------------------------------------------------------------------
shopt -s nullglob
metainfos=("$prefix"/share/metainfo/*.metainfo.xml)
shopt -u nullglob
if [ ${#metainfos[@]} -ne 1 ]; then
    fail "expected one file in share/metainfo, found ${#metainfos[@]}"
else
    metainfo=${metainfos[0]}
    id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
    [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "metainfo: file name does not match its id '$id'"
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [ "$launchable" = velda.desktop ] || fail "metainfo: launchable is '$launchable', not velda.desktop"
    grep -q '<content_rating type="oars-1\.[01]"' "$metainfo" || fail "metainfo: no OARS content rating"
    grep -q '<developer_name>..*</developer_name>' "$metainfo" || fail "metainfo: no developer name"
    grep -q '<url type="homepage">https\?://..*</url>' "$metainfo" || fail "metainfo: no home page url"
    ! grep -n '@[A-Za-z_]*@' "$metainfo" || fail "metainfo: a placeholder was not filled in"
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
        # The tree check also follows the launchable to the desktop file and the file name to the id.
        appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"
    else
        echo "SKIP: appstreamcli not found (package appstream)"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; installed tree:" >&2
    (cd "$prefix" && find . -type f | sort) >&2
    exit 1
fi
echo "installation checks passed"
