#!/usr/bin/env bash
# Renders a summary page (parentsphere --summary) to PNG with headless
# Chromium, to look at it as a reader would.
#   summary-screenshot.sh [--size W[,H]] PAGE.html [OUT.png]   render a page (default OUT: PAGE.png)
#   summary-screenshot.sh [--size W[,H]] --example             examples/, radius 4 at the prompt, --table
#   summary-screenshot.sh [--size W[,H]] --popgen              a generated population, radii 4 and 12
# --example and --popgen build the program (and popgen), run it in
# out/summary-example or out/summary-popgen with --markers markers.tsv
# --summary summary.html, and render summary.png there. The width defaults to
# 1200; without a height the PNG is as tall as the whole page.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
need chromium chromium
size="1200"
if [ "${1:-}" = "--size" ]; then
  size="${2:?--size needs W or W,H}"
  shift 2
fi
if ! [[ "$size" =~ ^[1-9][0-9]{0,4}(,[1-9][0-9]{0,5})?$ ]]; then
  echo "summary-screenshot: --size takes W or W,H in pixels, e.g. 1200 or 1200,4000" >&2
  exit 2
fi

browser() {  # browser PROFILE ARGS...: headless, no network, a throwaway profile
  local profile="$1"
  shift
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" 2>/dev/null
}

page_height() {  # page_height PAGE WIDTH: the page's full height in pixels at that width
  local copy
  # A copy that writes its own height into its title, read back from the DOM.
  copy="$(mktemp --suffix=.html)"
  cat "$1" >"$copy"
  echo '<script>document.title="height="+Math.ceil(document.documentElement.scrollHeight)</script>' >>"$copy"
  local profile
  profile="$(mktemp -d)"
  browser "$profile" --window-size="$2,800" --dump-dom "file://$copy" |
    sed -n 's/.*<title>height=\([0-9][0-9]*\)<\/title>.*/\1/p' | head -1
  rm -rf "$profile" "$copy"
}

render() {  # render PAGE PNG
  local window="$size"
  if [[ "$size" != *,* ]]; then
    local height
    height="$(page_height "$(realpath "$1")" "$size")"
    if [ -z "$height" ]; then
      echo "summary-screenshot: chromium did not measure the height of $1" >&2
      exit 1
    fi
    window="$size,$height"
  fi
  local profile
  profile="$(mktemp -d)"
  # No network, no sync, a throwaway profile: the page must stand alone.
  rm -f "$2"
  browser "$profile" --hide-scrollbars --screenshot="$2" --window-size="$window" \
    "file://$(realpath "$1")" >/dev/null || true
  rm -rf "$profile"
  if [ ! -s "$2" ]; then
    echo "summary-screenshot: chromium wrote no $2" >&2
    exit 1
  fi
  echo "$2"
}

run_in() {  # run_in FOLDER STDIN [OPTIONS...]: analyse the tables there, writing the page
  local dir="$1" input="$2"
  shift 2
  (cd "$dir" && echo "$input" |
    "$ROOT/build/parentsphere" --markers markers.tsv --summary summary.html "$@" >/dev/null)
  render "$dir/summary.html" "$dir/summary.png"
}

case "${1:-}" in
  --example | --popgen)
    configure "$ROOT/build" -DPARENTSPHERE_TESTS=OFF
    cmake --build "$ROOT/build" --target parentsphere popgen -j "$(jobs)" >/dev/null
    if [ "$1" = --example ]; then
      dir="$ROOT/out/summary-example"
      mkdir -p "$dir"
      cp "$ROOT/examples/parents.PAR" "$ROOT/examples/sons.PRO" "$dir/"
      run_in "$dir" 4 --table table.tsv
    else
      dir="$ROOT/out/summary-popgen"
      "$ROOT/build/tools/popgen" --mothers 200 --fathers 200 --offspring 1000 --loci 14 \
        --seed 18 --missing 0.02 --error 0.01 --out "$dir" >/dev/null
      run_in "$dir" "" -q -r 4,12 -o reports
    fi
    ;;
  "" | -*)
    sed -n '2,10p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
  *)
    render "$1" "${2:-${1%.html}.png}"
    ;;
esac
