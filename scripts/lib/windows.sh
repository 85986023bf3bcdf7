# Shared by scripts/package and scripts/test-packages: the Windows installer.
#
#   ob_make_stub ARCH NAME VERSION OUT      a stand-in NAME.exe with the version
#                                           resource of the real one (mingw-w64)
#   ob_windows_bin BUILD OUTDIR             the build's ob32pyii.exe and
#                                           ob32pyii-send.exe, copied into OUTDIR
#   ob_build_msi VERSION BINDIR OUT.msi [x86|x64]
#                                           the installer of ob32pyii.exe and
#                                           ob32pyii-send.exe from BINDIR (a build
#                                           of that bitness, x86 when not named),
#                                           with the README and the licence as text

ob_make_stub() {
    local arch="$1" name="$2" version="$3" out="$4"
    cmake -DNAME="$name" -DVERSION="$version" -DOUT="$out" -DCC="$arch-w64-mingw32-gcc" \
        -DWINDRES="$arch-w64-mingw32-windres" -P "$ob_root/packaging/windows/make-stub.cmake"
}

ob_windows_bin() {
    local build="$1" out="$2" name found
    mkdir -p "$out"
    for name in ob32pyii.exe ob32pyii-send.exe; do
        found="$(find "$build/src" "$build/tools" -name "$name" -print -quit 2>/dev/null)"
        [[ -n "$found" ]] || { echo "no $name in $build" >&2; return 1; }
        cp "$found" "$out/"
    done
}

ob_build_msi() {
    local version="$1" arch="${4:-x86}" bin out stage
    bin="$(realpath "$2")"
    out="$(realpath -m "$3")"
    stage="$(mktemp -d)"
    mkdir -p "$stage/bin" "$stage/doc"
    cp "$bin/ob32pyii.exe" "$bin/ob32pyii-send.exe" "$stage/bin/"
    # Notepad-friendly text: CR LF lines.
    sed 's/\r\?$/\r/' "$ob_root/README.md" >"$stage/doc/README.txt"
    sed 's/\r\?$/\r/' "$ob_root/LICENSE" >"$stage/doc/LICENSE.txt"
    cp "$ob_root/packaging/icon/ob32pyii.ico" "$stage/doc/"
    # wixl takes the file sources relative to the folder it runs in.
    (cd "$stage" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D BinDir=bin -D DocDir=doc \
        -o "$out" "$ob_root/packaging/windows/ob32pyii.wxs")
    rm -rf -- "$stage"
}
