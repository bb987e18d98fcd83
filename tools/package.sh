#!/usr/bin/env bash
# Release packages of the built plug-ins, written into dist/:
#   Quillmarsh_twinfold-<version>-win32.zip, -win64.zip   the DLL, bundles, .clap, vst-render.exe, INSTALL.txt
#   Quillmarsh_twinfold-<version>-linux-x86_64.tar.gz     the .so, bundles, .clap, vst-render, INSTALL.txt
#   Quillmarsh_twinfold-<version>-linux-aarch64.tar.gz    the same for 64-bit ARM Linux
#   Quillmarsh_twinfold-<version>-linux-armhf.tar.gz      the same for 32-bit ARM Linux (hard-float)
#   quillmarsh-twinfold_<version>_amd64.deb, _arm64.deb, _armhf.deb   for Debian and its derivatives
#   Quillmarsh_twinfold-<version>-windows-setup.exe       installer for 32- and 64-bit Windows
#   SHA256SUMS                                            over the nine
# It packages what tools/build.sh left in out/<target>/ (running tools/build.sh first
# when a plug-in is missing there), including any *.lv2 and *.vst3 bundles and *.clap
# files it finds.
#
#   tools/package.sh [--from OUT_ROOT] [--dist DIR]
#
# The packages are reproducible: every member carries the time SOURCE_DATE_EPOCH (by
# default the last commit's, or the release date of cmake/Product.cmake in a copy of the
# sources without history; see tools/source-date-epoch.sh), members are sorted and
# belong to root.
set -euo pipefail

from=""
dist=""
while [ $# -gt 0 ]; do
  case "$1" in
    --from) from=$(realpath -m "$2"); shift 2 ;;
    --dist) dist=$(realpath -m "$2"); shift 2 ;;
    *) echo "usage: tools/package.sh [--from OUT_ROOT] [--dist DIR]" >&2; exit 2 ;;
  esac
done
cd "$(dirname "$0")/.."
dist=${dist:-$PWD/dist}

# The Linux targets: the folder in out/, the name in the tarball's name and Debian's
# name of the architecture.
linux_targets=(linux:x86_64:amd64 linux-aarch64:aarch64:arm64 linux-armhf:armhf:armhf)
deliverables=(win32/Quillmarsh_twinfold.dll win64/Quillmarsh_twinfold.dll win32/vst-render.exe win64/vst-render.exe)
for entry in "${linux_targets[@]}"; do
  deliverables+=("${entry%%:*}/Quillmarsh_twinfold.so" "${entry%%:*}/vst-render")
done
missing() { for file in "${deliverables[@]}"; do [ -f "$1/$file" ] || return 0; done; return 1; }
if [ -z "$from" ]; then
  from=$PWD/out
  if missing "$from"; then tools/build.sh; fi
fi
if missing "$from"; then
  echo "package.sh: $from lacks one of: ${deliverables[*]}" >&2
  exit 1
fi

# vendor, name and version, as the build has them.
eval "$(cmake -P cmake/Product.cmake)"
[ -n "${version:-}" ] || { echo "package.sh: no version from cmake/Product.cmake" >&2; exit 1; }
SOURCE_DATE_EPOCH=$(tools/source-date-epoch.sh .)
export SOURCE_DATE_EPOCH
export TZ=UTC LC_ALL=C

# What the plug-in announces to hosts as its unique ID, for the note in INSTALL.txt.
unique_id=$("$from/linux/vst-render" --info "$from/linux/Quillmarsh_twinfold.so" |
  sed -nE 's/^Unique ID +//p')
[ -n "$unique_id" ] || { echo "package.sh: vst-render --info shows no unique ID" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/twinfold-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
package=quillmarsh-twinfold
# dist/ holds one release: packages of an earlier version go.
mkdir -p "$dist"
rm -f "$dist/$name"-*.zip "$dist/$name"-*.tar.gz "$dist/$package"_*.deb "$dist/SHA256SUMS"

# Fixed permissions and times: folders and programs 0755, everything else 0644.
normalise() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  for program in "${@:2}"; do chmod 0755 "$program"; done
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# Copies the bundles (folders named *.lv2 or *.vst3) and *.clap files of one target.
copy_bundles() {
  local bundle
  for bundle in "$1"/*.lv2 "$1"/*.vst3 "$1"/*.clap; do
    if [ -e "$bundle" ]; then cp -R "$bundle" "$2/"; fi
  done
}

# INSTALL.txt for one platform, naming only what the archive holds.
# install_text PLATFORM ARCHIVE_FOLDER
install_text() {
  local platform=$1 folder=$2 vst2 lv2 vst3 clap plugin_file installer="" debian_arch=""
  if [ "${platform%%-*}" != linux ]; then
    installer="$name-$version-windows-setup.exe, from the same place as this archive,
installs the editions for 32- and 64-bit hosts where hosts look for them and
registers an uninstaller; /S runs it without questions. To install by hand instead:

"
  fi
  case "$platform" in
    win32)
      title="32-bit Windows hosts (on 64-bit Windows too, for 32-bit hosts)"
      plugin_file=$name.dll
      vst2='C:\Program Files (x86)\Common Files\VST2  or  C:\Program Files (x86)\VstPlugins'
      lv2='C:\Program Files (x86)\Common Files\LV2'
      vst3='C:\Program Files (x86)\Common Files\VST3'
      clap='C:\Program Files (x86)\Common Files\CLAP' ;;
    win64)
      title="64-bit Windows hosts"
      plugin_file=$name.dll
      vst2='C:\Program Files\Common Files\VST2  or  C:\Program Files\VstPlugins'
      lv2='C:\Program Files\Common Files\LV2  (or %APPDATA%\LV2 for your account only)'
      vst3='C:\Program Files\Common Files\VST3  (or %LOCALAPPDATA%\Programs\Common\VST3 for your account only)'
      clap='C:\Program Files\Common Files\CLAP  (or %LOCALAPPDATA%\Programs\Common\CLAP for your account only)' ;;
    linux*)
      case "$platform" in
        linux) title="64-bit Linux hosts (x86-64)" debian_arch=amd64 ;;
        linux-aarch64) title="64-bit ARM Linux hosts (aarch64)" debian_arch=arm64 ;;
        linux-armhf) title="32-bit ARM Linux hosts (armhf: ARMv7, hard-float)" debian_arch=armhf ;;
      esac
      plugin_file=$name.so
      vst2='~/.vst for your account, or /usr/local/lib/vst for everyone'
      lv2='~/.lv2 for your account, or /usr/local/lib/lv2 for everyone'
      vst3='~/.vst3 for your account, or /usr/local/lib/vst3 for everyone'
      clap='~/.clap for your account, or /usr/local/lib/clap for everyone' ;;
  esac
  cat <<EOF
$name $version for $title
================================================================

A two-channel utility with one switch, "stereo / mono": at "stereo" the two
channels pass through unchanged; at "mono" both outputs carry the mean of the two.

Installing
----------
${installer}Copy each file or folder below into the folder given for its kind of host (or into
any folder your host scans for that kind of plug-in), then let the host scan for
new plug-ins. Copy only the kinds your host loads.

Hosts that load VST 2.4 plug-ins:
  file    $plugin_file
  copy to $vst2
EOF
  local bundle
  for bundle in "$folder"/*.lv2; do
    [ -d "$bundle" ] || continue
    cat <<EOF

Hosts that load LV2 plug-ins:
  folder  $(basename "$bundle")  (the whole folder, as it is)
  copy to $lv2
EOF
  done
  for bundle in "$folder"/*.vst3; do
    [ -d "$bundle" ] || continue
    cat <<EOF

Hosts that load VST3 plug-ins:
  folder  $(basename "$bundle")  (the whole folder, as it is)
  copy to $vst3
EOF
  done
  for bundle in "$folder"/*.clap; do
    [ -f "$bundle" ] || continue
    cat <<EOF

Hosts that load CLAP plug-ins:
  file    $(basename "$bundle")
  copy to $clap
EOF
  done
  if [ -z "$debian_arch" ]; then
    cat <<EOF

The renderer, vst-render.exe, runs a VST 2.4 plug-in over audio files without a host
("vst-render --help"); it needs nothing else installed. This build reads and writes
WAV, AIFF, AU, CAF, W64, RF64 and the other uncompressed types "vst-render --help"
lists, not FLAC, Ogg or MP3. The installer puts it beside its uninstaller.
EOF
  fi
  if [ -n "$debian_arch" ]; then
    cat <<EOF

The renderer, vst-render, runs a VST 2.4 plug-in over audio files without a host
("vst-render --help"). Copy it into a folder on your PATH, e.g. ~/.local/bin or
/usr/local/bin; it needs libsndfile (Debian and Ubuntu: libsndfile1).

On Debian and Ubuntu, ${package}_${version}_${debian_arch}.deb installs all of this
into /usr/lib and /usr/bin instead.
EOF
  fi
  cat <<EOF

Unique ID
---------
Hosts tell VST 2.4 plug-ins apart by a unique ID, which they also store in saved
sessions and presets. This build announces the unique ID $unique_id. A session or
preset saved with this plug-in finds it again only in a build with the same ID.
EOF
  if [ "$unique_id" = 0 ]; then
    echo "A few hosts refuse plug-ins whose ID is 0."
  fi
}

# One archive's folder: the plug-in, the bundles, the renderer on Linux, INSTALL.txt.
# archive_folder PLATFORM FOLDER_NAME  (prints the folder's path)
archive_folder() {
  local platform=$1 folder="$work/$1/$2"
  mkdir -p "$folder"
  if [ "${platform%%-*}" = linux ]; then
    cp "$from/$platform/$name.so" "$from/$platform/vst-render" "$folder/"
  else
    cp "$from/$platform/$name.dll" "$from/$platform/vst-render.exe" "$folder/"
  fi
  copy_bundles "$from/$platform" "$folder"
  if [ "${platform%%-*}" = linux ]; then
    install_text "$platform" "$folder" >"$folder/INSTALL.txt"
  else
    # Windows editors expect CR LF line ends.
    install_text "$platform" "$folder" | sed 's/$/\r/' >"$folder/INSTALL.txt"
  fi
  if [ "${platform%%-*}" = linux ]; then normalise "$folder" "$folder/vst-render"; else normalise "$folder"; fi
  echo "$folder"
}

archives=()
for platform in win32 win64; do
  top=$name-$version-$platform
  folder=$(archive_folder "$platform" "$top")
  # Sorted names, no directory entries, no owner or extra time fields (-X); the DOS
  # times are those of TZ=UTC.
  (cd "$(dirname "$folder")" && find "$top" -type f | sort | zip -q -X -9 -@ "$dist/$top.zip")
  archives+=("$top.zip")
done

# linux_packages TARGET TARBALL_ARCH DEBIAN_ARCH: the tarball and the Debian package of
# one Linux target.
linux_packages() {
  local target=$1 tarball_arch=$2 debian_arch=$3 top folder root doc formats bundle binaries file depends
  local installed_size deb
  top=$name-$version-linux-$tarball_arch
  folder=$(archive_folder "$target" "$top")
  tar --sort=name --format=gnu --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
    -C "$(dirname "$folder")" -cf - "$top" | gzip -9 -n >"$dist/$top.tar.gz"
  archives+=("$top.tar.gz")

  # The Debian package: the plug-ins where Linux hosts look, the renderer with its manual.
  root="$work/deb-$debian_arch"
  doc="$root/usr/share/doc/$package"
  mkdir -p "$root/DEBIAN" "$root/usr/lib/vst" "$root/usr/bin" "$root/usr/share/man/man1" "$doc"
  cp "$from/$target/$name.so" "$root/usr/lib/vst/"
  cp "$from/$target/vst-render" "$root/usr/bin/"
  formats="VST 2.4"
  for bundle in "$from/$target"/*.lv2; do
    [ -d "$bundle" ] || continue
    mkdir -p "$root/usr/lib/lv2" && cp -R "$bundle" "$root/usr/lib/lv2/" && formats="$formats, LV2"
  done
  for bundle in "$from/$target"/*.vst3; do
    [ -d "$bundle" ] || continue
    mkdir -p "$root/usr/lib/vst3" && cp -R "$bundle" "$root/usr/lib/vst3/" && formats="$formats, VST3"
  done
  for bundle in "$from/$target"/*.clap; do
    [ -f "$bundle" ] || continue
    mkdir -p "$root/usr/lib/clap" && cp "$bundle" "$root/usr/lib/clap/" && formats="$formats, CLAP"
  done
  gzip -9 -n <tools/render/vst-render.1 >"$root/usr/share/man/man1/vst-render.1.gz"
  cp tools/package/copyright "$doc/copyright"
  maintainer=${TWINFOLD_MAINTAINER:-"Quillmarsh <packages@quillmarsh.example>"}
  {
    echo "$package ($version) unstable; urgency=medium"
    echo
    echo "  * Release $version."
    echo
    echo " -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
  } | gzip -9 -n >"$doc/changelog.gz"

  # Library dependencies as Debian's own tool works them out from the binaries.
  rm -rf "$work/shlibs" && mkdir -p "$work/shlibs/debian"
  printf 'Source: %s\n\nPackage: %s\nArchitecture: %s\n' "$package" "$package" "$debian_arch" >"$work/shlibs/debian/control"
  binaries=()
  while IFS= read -r -d '' file; do
    case "$(file -b "$file")" in ELF*) binaries+=("-e$file") ;; esac
  done < <(find "$root/usr" -type f -print0 | sort -z)
  depends=$(cd "$work/shlibs" && DEB_HOST_ARCH=$debian_arch dpkg-shlibdeps -O "${binaries[@]}" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
  [ -n "$depends" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }
  installed_size=$(find "$root/usr" -type f -printf '%s\n' | awk '{ kb += int(($1 + 1023) / 1024) } END { print kb }')
  cat >"$root/DEBIAN/control" <<EOF
Package: $package
Version: $version
Architecture: $debian_arch
Maintainer: $maintainer
Installed-Size: $installed_size
Depends: $depends
Section: sound
Priority: optional
Description: stereo / mono utility audio plug-in ($formats)
 Quillmarsh_twinfold is an audio effect with one switch, "stereo / mono": at
 "stereo" the two channels pass through unchanged; at "mono" both outputs
 carry the mean of the two inputs.
 .
 Plug-in formats: $formats.
 .
 The package also holds vst-render, which runs a VST 2.4 plug-in over audio
 files without a host.
EOF
  (cd "$root" && find usr -type f | sort | xargs md5sum) >"$root/DEBIAN/md5sums"
  normalise "$root" "$root/usr/bin/vst-render"
  deb=${package}_${version}_${debian_arch}.deb
  dpkg-deb --root-owner-group -Zxz --build "$root" "$dist/$deb" >/dev/null
  archives+=("$deb")
}

for entry in "${linux_targets[@]}"; do
  IFS=: read -r target tarball_arch debian_arch <<<"$entry"
  linux_packages "$target" "$tarball_arch" "$debian_arch"
done

# The Windows installer: both architectures' editions in one program, built by makensis
# from tools/installer/.
setup=$name-$version-windows-setup.exe
rm -f "$dist/$name"-*-windows-setup.exe
tools/installer/make-installer.sh "$from" "$name" "$vendor" "$version" "$dist/$setup"
archives+=("$setup")

(cd "$dist" && sha256sum "${archives[@]}" >SHA256SUMS)
echo "Packages of $name $version in $dist:"
(cd "$dist" && ls -l "${archives[@]}" SHA256SUMS)
