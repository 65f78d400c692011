# Sourced by ./run: builds third-party libraries from Debian's source packages with the
# project's cross toolchain into $TW_DEPS_DIR. Each one is rebuilt only when its source
# version or its build options change.

MINGW_SYSROOT=/usr/x86_64-w64-mingw32

dep_log() { printf '[deps] %s\n' "$*" >&2; }

source_versions() { # newest first
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/{print $2}' | sort -V -r -u
}

# build_dep NAME SOURCE-PACKAGE [extra cmake arguments...]
build_dep() {
  local name=$1 src=$2; shift 2
  local versions version="" stamp work srcdir v
  versions=$(source_versions "$src")
  if [ -z "$versions" ]; then
    dep_log "$name: no source package '$src' known to apt (is the deb-src entry there?)"
    return 1
  fi
  stamp=$TW_DEPS_DIR/stamps/$name
  if [ -f "$stamp" ]; then
    local built_version built_opts
    built_version=$(head -n 1 "$stamp"); built_opts=$(tail -n +2 "$stamp")
    if [ "$built_opts" = "$*" ] && grep -qxF "$built_version" <<<"$versions"; then
      dep_log "$name $built_version: up to date"
      return 0
    fi
  fi
  work=$TW_DEPS_DIR/src/$name
  rm -rf "$work"
  mkdir -p "$work" "$TW_DEPS_DIR/stamps"
  # A mirror may list a newer version than it serves: take the newest that downloads.
  for v in $versions; do
    if (cd "$work" && apt-get source -qq "$src=$v" >"$work/fetch.log" 2>&1); then version=$v; break; fi
    rm -rf "${work:?}"/*
  done
  if [ -z "$version" ]; then
    dep_log "$name: no version of '$src' could be fetched"; tail -n 5 "$work/fetch.log" >&2; return 1
  fi
  dep_log "$name $version: building"
  srcdir=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  cmake -S "$srcdir" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$TW_DEPS_DIR" -DCMAKE_PREFIX_PATH="$TW_DEPS_DIR" \
    -DCMAKE_FIND_ROOT_PATH="$TW_DEPS_DIR;$MINGW_SYSROOT" \
    -DCMAKE_POLICY_DEFAULT_CMP0074=NEW "$@" >"$work/configure.log" 2>&1 \
    || { tail -n 30 "$work/configure.log" >&2; return 1; }
  cmake --build "$work/build" >"$work/build.log" 2>&1 || { tail -n 30 "$work/build.log" >&2; return 1; }
  cmake --install "$work/build" >/dev/null
  rm -rf "$work/build"
  printf '%s\n%s' "$version" "$*" > "$stamp"
}

ZLIB_STATIC=(-DZLIB_LIBRARY="$MINGW_SYSROOT/lib/libz.a" -DZLIB_INCLUDE_DIR="$MINGW_SYSROOT/include")

build_all_deps() {
  mkdir -p "$TW_DEPS_DIR"
  build_dep libpng libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    "${ZLIB_STATIC[@]}"
  # The TIFF and JPEG companions: libtiff codes CCITT, PackBits, LZW and (through libjpeg) JPEG.
  build_dep libjpeg-turbo libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DCMAKE_INSTALL_LIBDIR="$TW_DEPS_DIR/lib"
  build_dep libtiff tiff -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF \
    -Dtiff-docs=OFF -Dcxx=OFF -Dwebp=OFF -Dzstd=OFF -Dlzma=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF \
    -Djpeg12=OFF -Djpeg=ON -Dzlib=ON -DCMAKE_INSTALL_LIBDIR=lib \
    -DJPEG_LIBRARY="$TW_DEPS_DIR/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$TW_DEPS_DIR/include" \
    "${ZLIB_STATIC[@]}"
  # The OCR companion: Tesseract on Leptonica, which reads the pages from memory only.
  build_dep leptonica leptonlib -DBUILD_SHARED_LIBS=OFF -DBUILD_PROG=OFF -DSW_BUILD=OFF -DENABLE_GIF=OFF \
    -DENABLE_WEBP=OFF -DENABLE_OPENJPEG=OFF -DENABLE_ZLIB=OFF -DENABLE_PNG=OFF -DENABLE_JPEG=OFF -DENABLE_TIFF=OFF \
    -DCMAKE_INSTALL_LIBDIR=lib
  # Tesseract's program would take the build machine's libtiff through pkg-config: it needs none.
  # Tesseract's programs link "Ws2_32", which a case-sensitive file system knows as ws2_32.
  mkdir -p "$TW_DEPS_DIR/winlibs"
  ln -sf "$MINGW_SYSROOT/lib/libws2_32.a" "$TW_DEPS_DIR/winlibs/libWs2_32.a"
  build_dep tesseract tesseract -DBUILD_SHARED_LIBS=OFF -DBUILD_TRAINING_TOOLS=OFF -DSW_BUILD=OFF \
    -DOPENMP_BUILD=OFF -DDISABLE_ARCHIVE=ON -DDISABLE_CURL=ON -DGRAPHICS_DISABLED=ON -DDISABLE_TIFF=ON \
    -DBUILD_TESTS=OFF -DENABLE_LTO=OFF -DCMAKE_INSTALL_LIBDIR=lib \
    -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON \
    -DLeptonica_DIR="$TW_DEPS_DIR/lib/cmake/leptonica" -DCMAKE_EXE_LINKER_FLAGS="-L$TW_DEPS_DIR/winlibs"
  # The barcode companions draw their symbols with zint (its library only: no PNG, no Qt). Its
  # command-line program is always configured; it builds but is never used.
  build_dep zint zint -DZINT_STATIC=ON -DZINT_USE_PNG=OFF -DZINT_USE_QT=OFF -DCMAKE_INSTALL_LIBDIR=lib
  # The regular-expression companion matches UTF-16 page text with PCRE2's 16-bit library.
  build_dep pcre2 pcre2 -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2_8=OFF -DPCRE2_BUILD_TESTS=OFF \
    -DPCRE2_BUILD_PCRE2GREP=OFF -DBUILD_SHARED_LIBS=OFF -DPCRE2_SUPPORT_JIT=OFF -DCMAKE_INSTALL_LIBDIR=lib
}
