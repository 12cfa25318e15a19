#!/usr/bin/env bash
# Fails when an #include runs against the layers, printing each offending line:
#   base/          nothing of ours but base/
#   link/          base/, link/
#   app/           base/, link/, app/
#   pages/P/       base/, link/, app/, pages/P/ (views also skin/, gui/ and Qt)
#   pages/*.h/cpp  the page set: base/, link/, app/ and every page folder
#   sim/           base/, link/, sim/
#   cli/           anything but gui/ and views
# and no Qt header (<Q...>) in any of these folders outside a *_view file.
# Usage: scripts/check-layers.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

mapfile -t files < <(find base link app pages sim cli -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)
[ ${#files[@]} -eq 0 ] && { echo "check-layers: no sources under $root"; exit 1; }

awk '
  FNR == 1 {
    split(FILENAME, part, "/")
    layer = part[1]
    own = layer "/"
    if (layer == "pages") own = (part[3] == "" ? "pages/" : "pages/" part[2] "/")
    view = FILENAME ~ /_view\.(h|cpp)$/
  }
  function offend(why) {
    printf "%s:%d: %s  <- %s\n", FILENAME, FNR, $0, why
    bad++
  }
  # Allowed folders of ours, by layer; "own" is the file'"'"'s own folder (its page folder for pages/).
  function allowed(path,    top) {
    top = path; sub(/\/.*/, "", top)
    if (layer == "base") return top == "base"
    if (layer == "link") return top == "base" || top == "link"
    if (layer == "app") return top == "base" || top == "link" || top == "app"
    if (layer == "sim") return top == "base" || top == "link" || top == "sim"
    if (layer == "pages") {
      if (top == "base" || top == "link" || top == "app" || index(path, own) == 1) return 1
      return view && (top == "skin" || top == "gui")
    }
    if (layer == "cli") return top != "gui" && path !~ /_view\.h$/
    return 0
  }
  /^[ \t]*#[ \t]*include[ \t]*</ {
    if ($0 ~ /^[ \t]*#[ \t]*include[ \t]*<Q/ && !view) offend("Qt header outside a view")
    next
  }
  /^[ \t]*#[ \t]*include[ \t]*"/ {
    path = $0
    sub(/^[^"]*"/, "", path)
    sub(/".*/, "", path)
    if (path !~ /\//) offend("include without its folder")
    else if (!allowed(path)) offend(own " may not include " path)
  }
  END { exit bad ? 1 : 0 }
' "${files[@]}" || { echo "check-layers: includes against the layers (above)"; exit 1; }
echo "check-layers: ${#files[@]} files keep to their layers"
