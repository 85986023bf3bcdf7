# Shared by scripts/demo and scripts/test: the Debian packages the project
# needs, installed when missing, and the build.
#
#   ob_ensure_packages PACKAGE...   install what is missing (root), or print the
#                                   one apt-get line that would (anyone else)
#   ob_build DIR CMAKE-ARGS...      configure (once) and build in DIR

ob_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# What every build needs: compiler and build tools, Qt 6 Widgets, unixODBC
# with the SQLite driver, GoogleTest, and the sqlite3 shell for the sample
# database.
ob_base_packages=(g++ cmake ninja-build pkg-config qt6-base-dev unixodbc unixodbc-dev libsqliteodbc
                  libgtest-dev sqlite3)

# What the packages and their proof need (scripts/package, scripts/test-packages):
# dpkg-shlibdeps, wixl, Wine, and mingw-w64 for the Windows executables.
ob_packaging_packages=(dpkg-dev wixl msitools wine wine64 gcc-mingw-w64-i686-posix gcc-mingw-w64-x86-64-posix)

# The Windows builds: mingw-w64 with the posix thread model (GoogleTest needs
# it), and Wine to run the 64-bit test suite; Wine's odbc32 hands ODBC calls to
# the host's unixODBC and its drivers.
ob_windows_packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 libgtest-dev
                     unixodbc libsqliteodbc odbc-postgresql odbc-mariadb xvfb xauth)

# Wine's 32-bit half, for the 32-bit build (the one a lab installs), and the
# i386 unixODBC and SQLite driver its odbc32 hands the program's ODBC calls to.
ob_wine32_packages=(wine32:i386 libodbc2:i386 libsqliteodbc:i386)

ob_log() {
    echo "==> $*"
}

ob_ensure_packages() {
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    if [[ $(id -u) -ne 0 ]]; then
        echo "These Debian packages are missing. Install them with:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    ob_log "Installing ${missing[*]}"
    if [[ -z "${OB_APT_UPDATED:-}" ]]; then
        DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
        export OB_APT_UPDATED=1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# The i386 architecture (once) and ob_wine32_packages.
ob_ensure_wine32() {
    if [[ $(id -u) -eq 0 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        ob_log "Adding the i386 architecture for Wine's 32-bit half"
        dpkg --add-architecture i386
        unset OB_APT_UPDATED
    fi
    ob_ensure_packages "${ob_wine32_packages[@]}"
}

ob_build() {
    local dir="$1"
    shift
    if [[ ! -f "$dir/build.ninja" ]]; then
        ob_log "Configuring $dir"
        cmake -S "$ob_root" -B "$dir" -G Ninja "$@" >/dev/null
    fi
    ob_log "Building in $dir"
    cmake --build "$dir" -j "$(nproc)"
}

# A TCP port on 127.0.0.1 that nothing listens on, from 54320 up.
ob_free_port() {
    local port
    for port in $(seq 54320 54420); do
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    echo "no free port between 54320 and 54420" >&2
    return 1
}

# A throw-away PostgreSQL server for the database tests, on 127.0.0.1: exports
# OB32PYII_TEST_PG and OB32PYII_TEST_PG_DIR. ob_stop_pg_test_server (from an
# EXIT trap) stops it and removes its folder.
ob_pg_dir=""
ob_start_pg_test_server() {
    # Directly under /tmp: the server's own user must be able to reach it.
    ob_pg_dir="$(mktemp -d /tmp/ob32pyii-pg.XXXXXX)"
    ob_log "Starting a PostgreSQL test server"
    eval "$("$ob_root/scripts/pg-test-server" start "$ob_pg_dir" "$(ob_free_port)")"
    export OB32PYII_TEST_PG OB32PYII_TEST_PG_DIR="$ob_pg_dir"
}

ob_stop_pg_test_server() {
    if [[ -n "$ob_pg_dir" ]]; then
        "$ob_root/scripts/pg-test-server" stop "$ob_pg_dir" >/dev/null 2>&1 || true
    fi
}

# A throw-away MariaDB server for the database tests, on 127.0.0.1: exports
# OB32PYII_TEST_MARIADB. ob_stop_mariadb_test_server stops it and removes its
# folder. Debian's odbc-mariadb registers its driver as "MariaDB Unicode" in
# odbcinst.ini, the name the tests use; it is registered here when missing.
ob_mariadb_dir=""
ob_start_mariadb_test_server() {
    if ! odbcinst -q -d -n "MariaDB Unicode" >/dev/null 2>&1; then
        local template=/usr/share/odbc-mariadb/odbcinst.ini.template
        [[ -f "$template" ]] || { echo "odbc-mariadb is not installed" >&2; return 1; }
        odbcinst -i -d -f "$template" >/dev/null
    fi
    # Directly under /tmp: the server's own user must be able to reach it.
    ob_mariadb_dir="$(mktemp -d /tmp/ob32pyii-mariadb.XXXXXX)"
    ob_log "Starting a MariaDB test server"
    eval "$("$ob_root/scripts/mariadb-test-server" start "$ob_mariadb_dir" "$(ob_free_port)")"
    export OB32PYII_TEST_MARIADB
}

ob_stop_mariadb_test_server() {
    if [[ -n "$ob_mariadb_dir" ]]; then
        "$ob_root/scripts/mariadb-test-server" stop "$ob_mariadb_dir" >/dev/null 2>&1 || true
    fi
}

# Runs the Windows test suite of DIR under Wine, once per test program, in a
# Wine prefix of its own under DIR: without a display, then the tests labelled
# "display" (the windows) on Xvfb.
ob_run_windows_suite() {
    local dir="$1"
    (
        export WINEPREFIX="$ob_root/$dir/wineprefix" WINEDEBUG=-all
        unset DISPLAY WAYLAND_DISPLAY
        ob_log "Making the Wine prefix $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        ob_log "Running the Windows tests of $dir under Wine"
        local status=0
        ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 900 -LE display || status=$?
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
        # The windows' tests need a display. Wine's session takes the display
        # of its first process, so they get a session of their own on Xvfb.
        # No window manager runs there: Wine frames the windows itself rather
        # than wait for one at every hide.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
        ob_log "Running the Windows tests of $dir that show windows, under Wine on Xvfb"
        xvfb-run -a ctest --test-dir "$dir" --output-on-failure --timeout 900 -L display || status=$?
        wineserver -k >/dev/null 2>&1 || true
        return $status
    )
}
