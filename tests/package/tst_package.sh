#!/usr/bin/env bash
# Builds the Debian package from this build folder, unpacks it into a scratch
# root and checks it as a user would get it: what the program needs at start
# is there, every library is found, the desktop entry and the software-centre
# description are valid, and the unpacked program, started offscreen against
# SANE's test device, lists the device and scans a page from it.
#
# Usage: tst_package.sh <build folder> <installdriver library> <application id>
set -euo pipefail
build=$1 driver=$2 appid=$3
work=$build/testhome/tst_package
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The package, and what dpkg learns from it.
if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack could not build the package"
fi
debs=("$work"/out/lumerith_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one lumerith_*.deb in $work/out"
deb=${debs[0]}
depends=$(dpkg-deb --field "$deb" Depends)
for p in libqt5widgets5 libsane1; do
  [[ $depends == *"$p "* ]] || fail "Depends lacks $p (shlibdeps): $depends"
done
recommends=$(dpkg-deb --field "$deb" Recommends)
for p in libsane1 sane-utils; do
  [[ ", $recommends," == *", $p,"* ]] || fail "Recommends lacks $p: $recommends"
done
[ "$(dpkg-deb --info "$deb" conffiles)" = /etc/lumerith/MFPCFG.INI ] || fail "MFPCFG.INI is not a conffile"

root=$work/root
dpkg-deb -x "$deb" "$root"
lib=$root/usr/lib/lumerith

# Everything the program reads at start, links followed.
needed=(
  usr/bin/lumerith
  usr/lib/lumerith/lumerith usr/lib/lumerith/libcorvel.so usr/lib/lumerith/libtessark.so
  usr/lib/lumerith/brennic usr/lib/lumerith/libcefstub.so
  usr/lib/lumerith/MFPCFG.INI usr/lib/lumerith/translations/corvel_de.qm
  "usr/share/applications/$appid.desktop" "usr/share/metainfo/$appid.metainfo.xml"
)
for size in 16 32 48 64 128; do
  needed+=("usr/share/icons/hicolor/${size}x$size/apps/lumerith.png")
done
for f in "${needed[@]}"; do
  [ -e "$root/$f" ] || fail "missing in the package: /$f"
done
[ "$(readlink -f "$root/usr/bin/lumerith")" = "$(readlink -f "$lib/lumerith")" ] ||
  fail "/usr/bin/lumerith does not lead to the program folder"
grep -qx 'Backend=sane' "$lib/MFPCFG.INI" || fail "the packaged MFPCFG.INI does not drive SANE"

# Every library of every binary found, the private ones beside the program.
while IFS= read -r -d '' f; do
  [ "$(head -c 4 "$f")" = $'\x7fELF' ] || continue
  out=$(env -u LD_LIBRARY_PATH ldd "$f" 2>&1) || fail "ldd $f: $out"
  if grep -q 'not found' <<<"$out"; then
    fail "unresolved libraries of ${f#"$root"}: $(grep 'not found' <<<"$out")"
  fi
  if grep -qF "$build/bin/" <<<"$out"; then
    fail "${f#"$root"} loads from the build folder: $out"
  fi
done < <(find "$root" -type f -print0)
grep -qF "$lib/libtessark.so" <<<"$(env -u LD_LIBRARY_PATH ldd "$lib/libcorvel.so")" ||
  fail "libcorvel.so does not find the engine beside it"

desktop-file-validate "$root/usr/share/applications/$appid.desktop" || fail "desktop entry"
grep -qx 'Exec=lumerith' "$root/usr/share/applications/$appid.desktop" || fail "desktop entry does not start lumerith"
appstreamcli validate-tree --no-net "$root" || fail "software-centre description"

# The unpacked program against SANE's test device, in German, with a
# private home, runtime folder and SANE configuration.
sane=$work/sane
mkdir -p "$sane" "$work/home/.config" "$work/home/tmp" "$work/scans"
mkdir -m 700 "$work/run"
echo test >"$sane/dll.conf"
printf 'number_of_devices 1\ngeometry_max 400.0\ntest-picture "Color pattern"\n' >"$sane/test.conf"
model=$(SANE_CONFIG_DIR=$sane scanimage -f '%v %m%n')
model=${model%%$'\n'*}
[ -n "$model" ] || fail "SANE lists no test device"

report=$work/report.txt
rc=0
env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY \
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
  XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/home/tmp" \
  QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8 LANGUAGE=de \
  SANE_CONFIG_DIR="$sane" LUMERITH_DRIVER_REPORT="$report" LUMERITH_DRIVER_FOLDER="$work/scans" \
  timeout 180 env LD_PRELOAD="$driver" "$root/usr/bin/lumerith" >"$work/run.log" 2>&1 || rc=$?
echo "--- what the program showed"
cat "$report" 2>/dev/null || true
[ $rc -eq 0 ] || { cat "$work/run.log"; fail "the program ended with code $rc"; }

grep -qxF "done" "$report" || fail "the program did not get through listing and scanning"
grep -q "^device: .*$model" "$report" || fail "SANE's test device ($model) was not offered"
button=$(sed -n 's/^button: //p' "$report")
[ -n "$button" ] && [ "$button" != "Select Machine" ] || fail "the German translation was not loaded ($button)"
mapfile -t pages < <(find "$work/scans" -type f ! -name '.*')
[ ${#pages[@]} -eq 1 ] && [ -s "${pages[0]}" ] || fail "expected one scanned page, found: ${pages[*]:-none}"
echo "scanned: $(file -b "${pages[0]}")"
echo "PASS"
