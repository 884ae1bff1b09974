# Cross build for 64-bit Arm Linux with Debian's cross toolchain
# (g++-aarch64-linux-gnu, its target libraries in /usr/aarch64-linux-gnu).
#
# What the build makes runs under user-mode emulation (qemu-user): ctest
# starts every test binary through CMAKE_CROSSCOMPILING_EMULATOR, and the
# tests that start a program of this build themselves (t4711, their own
# binary again) put the same command in front of it (tests/CMakeLists.txt),
# so nothing relies on binfmt_misc.
#
# The header-only packages (CLI11, nlohmann-json) are the build machine's:
# their configuration files sit outside the target's root and their headers
# in /usr/include, which the cross compiler searches after its own. Every
# library comes from the target's root: GoogleTest is built from the
# sources in /usr/src/googletest (KAV_GTEST_SOURCE_DIR).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# -L: the emulator finds the target's dynamic loader and libraries there.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
