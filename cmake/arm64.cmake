# Toolchain: 64-bit ARM Linux (Debian arm64, aarch64). See arm-linux.cmake.
set(ARM_DEFAULT_TOOLCHAIN aarch64-linux-gnu-)
set(ARM_DEFAULT_SYSROOT ${CMAKE_CURRENT_LIST_DIR}/../build-arm64/sysroot)
set(ARM_PROCESSOR aarch64)
set(ARM_EMULATOR qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/arm-linux.cmake)
