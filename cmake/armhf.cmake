# Toolchain: 32-bit ARM Linux, ARMv7 with hard float (Debian armhf). See arm-linux.cmake.
set(ARM_DEFAULT_TOOLCHAIN arm-linux-gnueabihf-)
set(ARM_DEFAULT_SYSROOT ${CMAKE_CURRENT_LIST_DIR}/../build-armhf/sysroot)
set(ARM_PROCESSOR arm)
set(ARM_EMULATOR qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/arm-linux.cmake)
