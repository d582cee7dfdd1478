#!/usr/bin/env bash
# Renders the built manual pages as man does at three widths with every groff warning on; any
# message or missing section fails. Exits with 77 (skipped) without man.
#   check_man.sh <build dir>/man
set -uo pipefail
man_dir=$1
command -v man >/dev/null || { echo "SKIP: man not found"; exit 77; }
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

check() { # check <page> <section title...>
    local page=$1 width messages
    shift
    [ -f "$page" ] || { fail "$page is missing"; return; }
    for width in 60 80 132; do
        messages=$(LC_ALL=C.UTF-8 MANWIDTH=$width man --warnings=all -E UTF-8 -l "$page" 2>&1 >/dev/null)
        [ -z "$messages" ] || fail "$page at $width columns: $messages"
    done
    for section in "$@"; do
        grep -qxF ".SH $section" "$page" || grep -qxF ".SH \"$section\"" "$page" || fail "$page has no $section"
    done
    zcat "$page.gz" | cmp -s - "$page" || fail "$page.gz is not $page"
}

check "$man_dir/velda.1" NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES
check "$man_dir/zh_CN/velda.1" 名称 概要 描述 选项 退出状态 文件 示例

[ "$failures" -eq 0 ] || exit 1
echo "manual page checks passed"
