#!/usr/bin/env bash
# The newcomer's entry point. Every command first installs what is missing.
#   tools/dev.sh run        build and start Daridez
#   tools/dev.sh test       build and run the whole test suite (what CI runs)
#   tools/dev.sh build      only build (build/bin holds every program)
#   tools/dev.sh install    build and install (CMake install)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${BUILD:-build}
SANITIZE_BUILD=${SANITIZE_BUILD:-build-asan}
JOBS=${JOBS:-$(nproc)}

deps() { bash tools/install-deps.sh; }

build() {
    deps
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
    cmake --build "$BUILD" -j "$JOBS"
}

# The core once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test_sanitized() {
    cmake -S . -B "$SANITIZE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DDARIDEZ_CORE_ONLY=ON -DDARIDEZ_SANITIZE=ON
    cmake --build "$SANITIZE_BUILD" -j "$JOBS"
    (cd "$SANITIZE_BUILD" && ctest --output-on-failure -j "$JOBS")
}

case "${1:-}" in
    run)
        build
        "$BUILD/bin/daridez-dump" --help
        ;;
    test)
        build
        (cd "$BUILD" && ctest --output-on-failure -j "$JOBS")
        test_sanitized
        ;;
    build) build ;;
    install)
        build
        cmake --install "$BUILD"
        ;;
    *)
        echo "usage: tools/dev.sh run|test|build|install" >&2
        exit 2
        ;;
esac
