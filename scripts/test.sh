#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole
# suite as root, then the tests that start the web engine or the real window
# again as an ordinary user (the Wayland test runs only as that user); then
# builds again with AddressSanitizer and UBSan and runs the suite again;
# last, builds the Debian package and tests it unpacked. All of it runs on a
# private X display, session bus and sound server. The README's table says
# what each leg covers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test package
source scripts/xvfb.sh
# A session bus and a sound server of the suite's own, as a desktop has.
source scripts/session.sh
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
# An ordinary user, as people run the player: only then is the web engine's
# sandbox on. It reads this tree and reaches the display, bus and sound server.
source scripts/as-user.sh
corvane_user_prepare "$PWD"
jobs=$(nproc)
# Tests that start the web engine or the real window.
user_labels='flash|gui|e2e|webengine|wayland'

# The house format: every tracked source file as .clang-format says.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON
cmake --build build-test -j"$jobs"
# Lint (.clang-tidy) over everything the build compiles.
scripts/tidy.sh build-test
# Everything as root, but the Wayland test (sway refuses root).
ctest --test-dir build-test --output-on-failure -j2 -LE wayland
# Those tests again as the ordinary user, with the Wayland test, one at a
# time (two sandboxed web engines starting together are slow to show a movie
# on a busy machine); the user writes the test log.
mkdir -p build-test/Testing
chown -R "$CORVANE_USER" build-test/Testing
corvane_as_user ctest --test-dir build-test --output-on-failure -L "$user_labels"

if [ "${CORVANE_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANE_WERROR=ON -DCORVANE_SANITIZE=ON
  cmake --build build-asan -j"$jobs"
  # Tests that start the web engine turn the leak check off for themselves
  # (see their CMakeLists): the engine frees its own objects by its own rules.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2 -LE wayland
fi

# The Debian package, built with Debian's flags: lintian, its files, and its
# player started from the unpacked tree.
deb=$(bash scripts/package.sh | tail -1)
bash tests/package/deb_test.sh "$deb"
