#!/usr/bin/env bash
# Builds the toolkit-free unit tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them through CTest, then the threading
# and brush-engine tests with ThreadSanitizer. Separate build folders:
# build-asan/ and build-tsan/.
set -euo pipefail
# The sanitizers' shadow memory needs room that the kernel's widest address
# randomisation may not leave: everything here (the builds run the tests to
# list them) runs with it switched off.
# (Where the system does not allow that, they run as they are.)
if [ -z "${JOLLIX_FIXED_ADDRESSES:-}" ] && setarch "$(uname -m)" -R true 2>/dev/null; then
  JOLLIX_FIXED_ADDRESSES=1 exec setarch "$(uname -m)" -R "$0" "$@"
fi
cd "$(dirname "$0")/.."
"$(dirname "$0")/deps.sh"
tests=(test_core test_effects test_editor test_io test_batch)

# -O1 with line tables only: the sanitizers' own advice, and half the
# compile time of an optimised build with full debugging information.
common=(-G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_C_FLAGS_DEBUG=-O1 -g1" "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1"
        -DJOLLIX_BUILD_BENCH=OFF ${JOLLIX_CMAKE_ARGS:-})
asan="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan "${common[@]}" -DCMAKE_C_FLAGS="$asan" -DCMAKE_CXX_FLAGS="$asan" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
targets=(); for t in "${tests[@]}"; do targets+=(--target "$t"); done
cmake --build build-asan -j "$(nproc)" "${targets[@]}" --target jollix-batch
# Left out: tests that cap a process's address space or measure its memory
# (AddressSanitizer reserves terabytes of shadow memory), and tests that
# bound the time of work (the sanitizers slow it several times over).
# Leaks inside the system's font library, made once per process, are not ours.
skip='^ui_|^install_|^faces_|_NOT_BUILT$|DeathTest|SmallFilesOfBigPictures|CostWhatTheirPictureCosts|RefusedAtOnce|EndQuickly|WorkBudget|InUnderASecond'
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
   LSAN_OPTIONS="suppressions=$PWD/../tests/sanitizer_leaks.supp" \
   UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
   ctest --output-on-failure -j "$(nproc)" --timeout 900 -E "$skip")

tsan="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S . -B build-tsan "${common[@]}" -DCMAKE_C_FLAGS="$tsan" -DCMAKE_CXX_FLAGS="$tsan" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
cmake --build build-tsan -j "$(nproc)" --target test_core --target test_effects --target test_editor
# The editor's brush finished in the background while the view asks for its
# preview's colours on the pool's threads. Tests that cap the address space
# are left out here too (ThreadSanitizer's shadow memory would not fit).
(cd build-tsan && TSAN_OPTIONS=halt_on_error=1 QT_QPA_PLATFORM=offscreen \
   ctest --output-on-failure -j "$(nproc)" --timeout 900 -R 'Parallel|BrushEngine|Brush|Twist|Smear|Spherical' \
   -E 'DeathTest')
