#!/usr/bin/env bash
# The Debian package: CPack builds it, lintian finds no error in it, it installs into a root of its
# own (its own dpkg database, never the machine's), its programs run from there, and purging it
# leaves nothing behind.
# Usage: package_test.sh BUILD_DIR CPACK   (exit 77: skipped, for want of root or fakeroot)
set -euo pipefail
build=$1
cpack=$2

fail() { echo "FAIL: $*" >&2; exit 1; }
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v fakeroot >/dev/null || { echo "SKIP: dpkg needs root or fakeroot"; exit 77; }
  as_root=(fakeroot)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 1. Build the package from this build directory.
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not build the package"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
echo "package $(basename "$deb"), Depends: $depends"
# dpkg-shlibdeps found the libraries the binaries link.
for library in libc6 libstdc++6 libqt6widgets6; do
  [[ "$depends" == *"$library "* ]] || fail "Depends lacks $library"
done

# 2. What a user expects to find in it.
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for path in ./usr/bin/velantor ./usr/bin/velantor-sim \
            ./usr/share/man/man1/velantor.1.gz ./usr/share/man/man1/velantor-sim.1.gz \
            ./usr/share/applications/velantor.desktop ./usr/share/icons/hicolor/scalable/apps/velantor.svg \
            ./usr/share/doc/velantor/copyright ./usr/share/doc/velantor/changelog.Debian.gz \
            ./usr/share/doc/velantor/README.md; do
  grep -qx "$path" "$work/contents" || fail "the package lacks $path"
done
grep -q '^./usr/share/metainfo/.*\.metainfo\.xml$' "$work/contents" || fail "the package lacks its AppStream metainfo"
if grep -q '^./usr/bin/velantorctl$' "$work/contents"; then
  grep -qx ./usr/share/man/man1/velantorctl.1.gz "$work/contents" || fail "velantorctl comes without its man page"
fi

# 3. lintian: warnings are shown, errors fail.
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  ! grep -q '^E:' "$work/lintian.log" || fail "lintian reports errors"
fi

# 4. Install into a fresh root with its own dpkg database. Its libraries are the machine's, so
#    Depends is not checked against the empty database; the programs' run below checks them.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
dpkg_root=("${as_root[@]}" dpkg --root="$root" --log=/dev/null --force-depends --force-not-root)
"${dpkg_root[@]}" -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i failed"; }
status=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' velantor)
[ "$status" = "install ok installed" ] || fail "after dpkg -i the package is '$status'"

# 5. The installed programs run and say their version; the installed pages render cleanly.
expect="${version%-*}"
for program in velantor velantor-sim velantorctl; do
  [ -x "$root/usr/bin/$program" ] || { [ "$program" = velantorctl ] && continue; fail "no $program"; }
  said=$("$root/usr/bin/$program" --version) || fail "$program --version failed"
  [ "$said" = "$program $expect" ] || fail "$program --version said '$said', expected '$program $expect'"
  echo "$said"
  warnings=$(zcat "$root/usr/share/man/man1/$program.1.gz" | groff -man -ww -z 2>&1 || true)
  [ -z "$warnings" ] || fail "man page of $program: $warnings"
done
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "the metainfo does not validate"
fi

# 6. Purge: nothing of the package is left in the root, only the dpkg database.
"${dpkg_root[@]}" --purge velantor >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --purge failed"; }
left=$(cd "$root" && find . -mindepth 1 ! -path './var' ! -path './var/lib' ! -path './var/lib/dpkg' ! -path './var/lib/dpkg/*')
[ -z "$left" ] || fail "left behind after purge: $left"
[ -z "$(ls "$root/var/lib/dpkg/info" | grep '^velantor\.' || true)" ] || fail "dpkg still keeps velantor's files list"
echo "package installed, run and purged cleanly"
