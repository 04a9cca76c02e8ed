#!/usr/bin/env bash
# Checks an installation of the program: every file in its place, the
# launchers resolving into the program folder, and both programs running from
# there. "install" installs the build with `cmake --install` into a scratch
# prefix; "package" makes the Debian package with CPack, checks its control
# fields and unpacks it into a scratch root; "validate" runs the validators on
# the installed desktop entry and AppStream description (errors and warnings
# fail, hints and pedantic notes do not).
#   tests/install/check-install.sh install|package|validate BUILD-DIR SOURCE-DIR VERSION
set -euo pipefail
mode=$1
build=$(realpath "$2")
source=$(realpath "$3")
version=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

app_id=com.corvanta.Mendora
icon_sizes=(16 24 32 48 64 128 256)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Files and links below a folder, one relative path a line, sorted.
listing() {
  (cd "$1" && find . -mindepth 1 \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
}

check_tree() {
  local prefix=$1
  local program=$prefix/lib/mendora
  [ -d "$program" ] || fail "no program folder $program"

  # The program folder holds what the build's program folder holds (less the
  # settings files a run may have written there), the data files unchanged.
  diff -u --label build/bin --label lib/mendora <(listing "$build/bin" | grep -v '\.ini$') \
    <(listing "$program") || fail "the program folder differs from build/bin"
  while IFS= read -r file; do
    cmp "$build/bin/$file" "$program/$file" || fail "lib/mendora/$file differs"
  done < <(listing "$build/bin" | grep -Ev '\.ini$|^(Mendora|mendora-check)$')
  for exe in Mendora mendora-check; do
    [ -x "$program/$exe" ] || fail "lib/mendora/$exe is not executable"
    if readelf -d "$program/$exe" | grep -E 'R(UN)?PATH'; then
      fail "lib/mendora/$exe keeps a library search path"
    fi
  done

  # Everything else, exactly: no test or benchmark program among it.
  local expected=(bin/mendora bin/mendora-check
    "share/applications/$app_id.desktop" share/doc/mendora/copyright
    "share/metainfo/$app_id.metainfo.xml")
  for size in "${icon_sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$app_id.png")
  done
  diff -u --label expected --label installed <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort) \
    <(listing "$prefix" | grep -v '^lib/mendora/') || fail "unexpected files in the installation"

  # The launchers are relative links, so the tree works wherever it is unpacked.
  for link in mendora:Mendora mendora-check:mendora-check; do
    local name=${link%%:*} target=${link#*:}
    [ -L "$prefix/bin/$name" ] || fail "bin/$name is not a link"
    [ "$(readlink "$prefix/bin/$name")" = "../lib/mendora/$target" ] ||
      fail "bin/$name points to $(readlink "$prefix/bin/$name")"
    [ "$(realpath "$prefix/bin/$name")" = "$(realpath "$program/$target")" ] ||
      fail "bin/$name does not resolve to lib/mendora/$target"
  done

  for size in "${icon_sizes[@]}"; do
    local icon=$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png
    file -b "$icon" | grep -q "^PNG image data, $size x $size," ||
      fail "$icon is not a $size x $size PNG: $(file -b "$icon")"
  done
}

run_programs() {
  local prefix=$1
  local program=$prefix/lib/mendora
  export XDG_CONFIG_HOME=$scratch/config

  # The checker through its launcher: a JPEG picture decodes, a text file is
  # no media file. Exit status 0: nothing damaged or unreadable.
  local picture=$source/resources/About.jpg
  printf 'not a media file\n' >"$scratch/note.txt"
  local out
  out=$("$prefix/bin/mendora-check" "$picture" "$scratch/note.txt") ||
    fail "bin/mendora-check ended with status $?"
  # verdict<TAB>details<TAB>path, one line a file in the order given
  local verdicts
  verdicts=$(printf '%s\n' "$out" | awk -F '\t' '{ print $1 " " $3 }')
  [ "$verdicts" = "intact $picture"$'\n'"unsupported $scratch/note.txt" ] ||
    fail "bin/mendora-check printed: $out"

  # The program through its launcher. Its start-up step takes the folder of
  # the executable as its program folder, looks for the companion files there
  # and counts the run in Mendora.ini there when that file exists. A counted
  # run in lib/mendora/Mendora.ini shows the folder was found through the link,
  # and check_tree showed the companion files are in it, so their check passed
  # (a missing one would show a notice box, invisible offscreen). The registry
  # stand-in records the path of the executable it runs as.
  printf '0' >"$program/Mendora.ini"
  QT_QPA_PLATFORM=offscreen "$prefix/bin/mendora" >"$scratch/mendora.log" 2>&1 &
  local pid=$!
  for _ in $(seq 150); do
    [ "$(cat "$program/Mendora.ini")" = 1 ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  local counted
  counted=$(cat "$program/Mendora.ini")
  rm "$program/Mendora.ini"
  sleep 1
  if ! kill -0 $pid 2>/dev/null; then
    local status=0
    wait $pid || status=$?
    cat "$scratch/mendora.log" >&2
    fail "bin/mendora ended by itself with status $status"
  fi
  kill $pid
  wait $pid || true
  [ "$counted" = 1 ] ||
    fail "bin/mendora left lib/mendora/Mendora.ini at '$counted': it did not run from lib/mendora"
  # (an INI file with Windows line ends)
  local recorded
  recorded=$(tr -d '\r' <"$XDG_CONFIG_HOME/Corvanta/registry.ini" | sed -n 's/^FilePath=//p')
  [ "$recorded" = "$(realpath "$program/Mendora")" ] ||
    fail "bin/mendora recorded its path as '$recorded'"
}

case $mode in
install)
  cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
  check_tree "$scratch/prefix"
  run_programs "$scratch/prefix"
  ;;
package)
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/cpack" >"$scratch/cpack.log" ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
  deb=$scratch/cpack/mendora_${version}_$(dpkg --print-architecture).deb
  [ -f "$deb" ] || fail "no $deb: $(ls "$scratch/cpack")"
  dpkg-deb -I "$deb" control >"$scratch/control"
  cat "$scratch/control"
  for field in "Package: mendora" "Version: $version" "Section: video" \
    "Maintainer: Corvanta <support@example.com>"; do
    grep -Fqx "$field" "$scratch/control" || fail "no '$field' in the control file"
  done
  depends=$(sed -n 's/^Depends: //p' "$scratch/control")
  for package in libqt6widgets6 libavformat59 libjpeg62-turbo; do
    printf '%s\n' "$depends" | tr ',' '\n' | grep -Eq "^ *$package( |$)" ||
      fail "Depends names no $package: $depends"
  done
  dpkg -x "$deb" "$scratch/root"
  [ "$(ls "$scratch/root")" = usr ] || fail "the package installs outside /usr: $(ls "$scratch/root")"
  check_tree "$scratch/root/usr"
  run_programs "$scratch/root/usr"
  ;;
validate)
  cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
  report=$(desktop-file-validate "$scratch/prefix/share/applications/$app_id.desktop") ||
    fail "desktop-file-validate: $report"
  printf '%s\n' "$report"
  if grep -Eq ': (error|warning): ' <<<"$report"; then
    fail "desktop-file-validate warns"
  fi
  # The tree: the description, and the desktop entry its launchable names.
  appstreamcli validate-tree --no-net "$scratch/prefix" || fail "appstreamcli validate-tree"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
echo "$mode: ok"
