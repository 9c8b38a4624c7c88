#!/usr/bin/env bash
# The newcomer's entry point. Every command first installs what is missing.
#   tools/dev.sh run        build and start Daridez (on the simulated tracer when no
#                           tracer device is attached at the configured port)
#   tools/dev.sh test       build and run the whole test suite (what CI runs)
#   tools/dev.sh build      only build (build/bin holds every program)
#   tools/dev.sh install    build and install (CMake install; PREFIX=... to choose where)
#   tools/dev.sh screenshot build and make docs/screenshot.png and docs/plot.png under Xvfb
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${BUILD:-build}
SANITIZE_BUILD=${SANITIZE_BUILD:-build-asan}
WINDOWS_BUILD=${WINDOWS_BUILD:-build-win}
# The regression samples and the other files kept beside the repository.
SHARED=${DARIDEZ_SHARED:-../shared}
JOBS=${JOBS:-$(nproc)}

deps() { bash tools/install-deps.sh; }

# ccache, where installed, keeps rebuilds of unchanged files cheap across build folders.
launcher() {
    if command -v ccache >/dev/null; then
        echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    fi
}

# Extra arguments go to CMake (the test command makes warnings errors).
build() {
    deps
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release $(launcher) "$@"
    cmake --build "$BUILD" -j "$JOBS"
}

# CMake install into PREFIX (default /usr/local), through sudo where the prefix is not
# writable.
install_build() {
    local prefix=${PREFIX:-/usr/local} sudo=""
    mkdir -p "$prefix" 2>/dev/null || true
    if [ ! -w "$prefix" ] && [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo cmake --install "$BUILD" --prefix "$prefix"
}

# Every C++ file as .clang-format wants it.
check_format() {
    sources | xargs clang-format --dry-run --Werror
    echo "format: every file as .clang-format wants it"
}

# The project's C++ files: those git tracks, or in a copy without git the same files
# found on disk (build folders and hidden folders left out).
sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -- '*.cpp' '*.h'
    else
        find . \( -path './build*' -o -path './.*' \) -prune -o \
            \( -name '*.cpp' -o -name '*.h' \) -type f -print | sed 's|^\./||' | sort
    fi
}

# Non-blank, non-comment lines of the tests (tests/, fuzz/) against the rest of the code.
report_test_ratio() {
    local tests code
    count() { xargs -r cat | grep -c -v -E '^\s*(//.*)?$'; }
    tests=$(sources | grep -E '^(\./)?(tests|fuzz)/' | count)
    code=$(sources | grep -v -E '^(\./)?(tests|fuzz)/' | count)
    echo "size: $code lines of code, $tests lines of tests: tests are $((100 * tests / code))% of the code"
}

# The Release programs the benchmarks and the comparisons need (daridez-dump and every
# benchmark), warnings as errors, and the few tests a sanitizer cannot run (label
# "release"); the rest of the suite is built and run once, in the sanitizer build.
build_release() {
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release $(launcher) -DDARIDEZ_WERROR=ON
    cmake --build "$BUILD" -j "$JOBS" --target daridez-dump benches release-tests
    (cd "$BUILD" && ctest --output-on-failure -L release)
}

# Everything under AddressSanitizer and UndefinedBehaviorSanitizer, and the whole suite
# on it: every test, the window tests and the fuzzers included.
test_sanitized() {
    cmake -S . -B "$SANITIZE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug $(launcher) \
        -DDARIDEZ_CORE_ONLY=OFF -DDARIDEZ_SANITIZE=ON -DDARIDEZ_WERROR=ON
    cmake --build "$SANITIZE_BUILD" -j "$JOBS"
    (cd "$SANITIZE_BUILD" && ctest --output-on-failure -j "$JOBS")
}

# daridez-dump's output on the regression samples, byte for byte.
check_regression() {
    if [ ! -x "$SHARED/regress/check.sh" ]; then
        echo "regress: no $SHARED/regress (DARIDEZ_SHARED=...): not checked" >&2
        return 0
    fi
    bash "$SHARED/regress/check.sh" "$BUILD/bin/daridez-dump"
}

# Runs one stage of the test command and says how long it took.
stage() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    echo "time: $name $((SECONDS - start)) s"
}

# The Qt-free libraries and daridez-dump cross-built for Windows with mingw-w64, and
# daridez-dump run under wine on the regression samples: the same bytes as on Linux.
test_windows() {
    bash tools/install-deps.sh --windows
    cmake -S . -B "$WINDOWS_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release $(launcher) \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DDARIDEZ_CORE_ONLY=ON \
        -DBUILD_TESTING=OFF -DDARIDEZ_WERROR=ON
    cmake --build "$WINDOWS_BUILD" -j "$JOBS" --target daridez-dump
    if [ ! -x "$SHARED/regress/check.sh" ]; then
        echo "windows: built; no $SHARED/regress (DARIDEZ_SHARED=...): daridez-dump.exe not run" >&2
        return 0
    fi
    local wine
    wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
    local runner="$PWD/$WINDOWS_BUILD/daridez-dump-wine"
    printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$wine" "$PWD/$WINDOWS_BUILD/bin/daridez-dump.exe" \
        >"$runner"
    chmod +x "$runner"
    export WINEPREFIX="$PWD/$WINDOWS_BUILD/wine" WINEDEBUG=-all
    "$runner" >/dev/null 2>&1 || true  # the first run sets up wine's folder, and says so
    bash "$SHARED/regress/check.sh" "$runner"
    windows_same_as_linux "$runner" "$SHARED/regress/sample.dump"
    bash tools/wine-port-check.sh "$WINDOWS_BUILD" "$BUILD"
}

# daridez-dump.exe against the Linux build on what text mode would spoil: standard input
# (the sample holds 0x1A bytes), pcapng on standard output, signals and the check. Each
# run's output (both streams) and exit status must match byte for byte.
windows_same_as_linux() {
    local runner=$1 sample=$2 fail=0 out
    out=$(mktemp -d)
    same() {  # what, standard input, options...
        local what=$1 input=$2 linux windows
        shift 2
        linux=0 windows=0
        "$BUILD/bin/daridez-dump" "$@" <"$input" >"$out/linux" 2>&1 || linux=$?
        "$runner" "$@" <"$input" >"$out/windows" 2>&1 || windows=$?
        if [ "$linux" != "$windows" ] || ! cmp -s "$out/linux" "$out/windows"; then
            echo "windows: $what differs from Linux (exit $windows, Linux $linux)" >&2
            cmp "$out/linux" "$out/windows" | head -n 2 >&2
            fail=1
        fi
    }
    same "standard input" "$sample" -
    same "pcapng on standard output" /dev/null --format=pcapng "$sample"
    same "--ldf --signals" /dev/null --ldf=examples/body-cluster.ldf --signals "$sample"
    same "--check" /dev/null --check "$sample"
    rm -rf "$out"
    [ $fail = 0 ] && echo "windows: daridez-dump.exe gives Linux's bytes (4 runs)"
    return $fail
}

case "${1:-}" in
    run)
        build
        BUILD="$BUILD" bash tools/run-daridez.sh
        ;;
    test)
        started=$SECONDS
        stage installs deps
        stage format check_format
        stage release build_release
        stage regression check_regression
        stage sanitized test_sanitized
        stage windows test_windows
        report_test_ratio
        echo "time: test command $((SECONDS - started)) s"
        ;;
    build) build ;;
    install)
        build
        install_build
        ;;
    screenshot)
        build
        BUILD="$BUILD" bash tools/screenshot.sh docs/screenshot.png docs/plot.png
        ;;
    *)
        echo "usage: tools/dev.sh run|test|build|install|screenshot" >&2
        exit 2
        ;;
esac
