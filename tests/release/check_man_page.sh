#!/usr/bin/env bash
# The renderer's manual page against its --help: the same options, none missing, none
# left over, and a page that groff formats without a warning.
#   check_man_page.sh VST_RENDER MANUAL_PAGE
set -euo pipefail
program=$1
page=$2
export LC_ALL=C.UTF-8

# Options as --help lists them (-x and --long), and as the page writes them (\-x, \-\-long).
help_options=$("$program" --help | grep -oE '(^|[ ,])--?[a-z][a-z0-9-]*' | sed -E 's/^[ ,]//' | sort -u)
page_options=$(grep -v '^\.\\"' "$page" | grep -oE '(^|[ "])(\\-){1,2}[a-z][a-z0-9\\-]*' |
  sed -E 's/^[ "]//; s/\\-/-/g' | sort -u)
[ -n "$help_options" ] || { echo "FAIL: no options found in $program --help"; exit 1; }

status=0
missing=$(comm -23 <(echo "$help_options") <(echo "$page_options"))
extra=$(comm -13 <(echo "$help_options") <(echo "$page_options"))
[ -z "$missing" ] || { echo "FAIL: the manual page lacks" $missing; status=1; }
[ -z "$extra" ] || { echo "FAIL: the manual page has options that --help does not list:" $extra; status=1; }

warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "FAIL: groff warns:"; echo "$warnings"; status=1; }
[ "$status" -eq 0 ] && echo "manual page and --help agree on:" $help_options
exit "$status"
