#!/usr/bin/env bash
# The newcomer's entry point. Every command first installs what is missing.
#   tools/dev.sh run        build and start Daridez (on the simulated tracer when no
#                           tracer device is attached at the configured port)
#   tools/dev.sh test       build and run the whole test suite (what CI runs)
#   tools/dev.sh build      only build (build/bin holds every program)
#   tools/dev.sh install    build and install (CMake install; PREFIX=... to choose where)
#   tools/dev.sh screenshot build and make docs/screenshot.png under Xvfb
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${BUILD:-build}
SANITIZE_BUILD=${SANITIZE_BUILD:-build-asan}
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

sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -- '*.cpp' '*.h'
    else
        find . -path ./build -prune -o -name '*.cpp' -print -o -name '*.h' -print
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

# The core once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test_sanitized() {
    cmake -S . -B "$SANITIZE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug $(launcher) \
        -DDARIDEZ_CORE_ONLY=ON -DDARIDEZ_SANITIZE=ON -DDARIDEZ_WERROR=ON
    cmake --build "$SANITIZE_BUILD" -j "$JOBS"
    (cd "$SANITIZE_BUILD" && ctest --output-on-failure -j "$JOBS")
}

case "${1:-}" in
    run)
        build
        BUILD="$BUILD" bash tools/run-daridez.sh
        ;;
    test)
        build -DDARIDEZ_WERROR=ON
        check_format
        (cd "$BUILD" && ctest --output-on-failure -j "$JOBS")
        test_sanitized
        report_test_ratio
        ;;
    build) build ;;
    install)
        build
        install_build
        ;;
    screenshot)
        build
        BUILD="$BUILD" bash tools/screenshot.sh
        ;;
    *)
        echo "usage: tools/dev.sh run|test|build|install|screenshot" >&2
        exit 2
        ;;
esac
