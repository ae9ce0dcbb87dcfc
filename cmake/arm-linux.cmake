# Shared part of the ARM Linux toolchain files: a cross compiler and a sysroot of target
# libraries, each named by one variable, so another toolchain and sysroot drop in.
#
#   CODEBREAKER_ARM_TOOLCHAIN  prefix of the cross tools, a folder included when they are not
#                              on the PATH: arm-linux-gnueabihf- or /opt/arm/bin/arm-linux-
#   CODEBREAKER_ARM_SYSROOT    folder holding the target's SDL 1.2, SDL_ttf, SDL_mixer (and
#                              GoogleTest for the tests) below usr/lib and usr/include, as
#                              scripts/sysroot.sh makes it
#
# Either comes from -D or from the environment. The including file sets the defaults
# (ARM_DEFAULT_TOOLCHAIN, ARM_DEFAULT_SYSROOT), the processor (ARM_PROCESSOR) and the
# emulator the test programs run under (ARM_EMULATOR).
#
# The compiler keeps its own C library: the sysroot only lends the libraries the game links,
# so no --sysroot is given. The emulator loads the target's C library from the sysroot.

foreach(var CODEBREAKER_ARM_TOOLCHAIN CODEBREAKER_ARM_SYSROOT)
  if(NOT DEFINED ${var} AND DEFINED ENV{${var}})
    set(${var} "$ENV{${var}}")
  endif()
endforeach()
if(NOT DEFINED CODEBREAKER_ARM_TOOLCHAIN)
  set(CODEBREAKER_ARM_TOOLCHAIN ${ARM_DEFAULT_TOOLCHAIN})
endif()
if(NOT DEFINED CODEBREAKER_ARM_SYSROOT)
  set(CODEBREAKER_ARM_SYSROOT ${ARM_DEFAULT_SYSROOT})
endif()
get_filename_component(CODEBREAKER_ARM_SYSROOT "${CODEBREAKER_ARM_SYSROOT}" ABSOLUTE)
# CMake's own test builds read this file again, in a folder of their own, without the cache.
set(ENV{CODEBREAKER_ARM_TOOLCHAIN} "${CODEBREAKER_ARM_TOOLCHAIN}")
set(ENV{CODEBREAKER_ARM_SYSROOT} "${CODEBREAKER_ARM_SYSROOT}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CODEBREAKER_ARM_TOOLCHAIN CODEBREAKER_ARM_SYSROOT)

if(NOT EXISTS "${CODEBREAKER_ARM_SYSROOT}/usr/include/SDL/SDL.h")
  message(FATAL_ERROR "no SDL 1.2 in the sysroot ${CODEBREAKER_ARM_SYSROOT}: make it with "
                      "scripts/sysroot.sh, or name another with -DCODEBREAKER_ARM_SYSROOT=...")
endif()

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${ARM_PROCESSOR})
set(CMAKE_C_COMPILER ${CODEBREAKER_ARM_TOOLCHAIN}gcc)
set(CMAKE_CXX_COMPILER ${CODEBREAKER_ARM_TOOLCHAIN}g++)
# GCC notes that passing some structs changed in GCC 7.1; all of the game is built by one
# compiler, so the note says nothing here.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
# The compiler, when it compiles, is given the sysroot, so that its own search list ends in the
# sysroot's /usr/include instead of this machine's. The C library's headers still come from the
# cross compiler's folder, before it: the sysroot's may be of a later point release (Debian
# 12's 2.36-9+deb12u15 changed pthread.h against the cross compiler's bits/), and must never go
# before them as an -isystem folder would; CMake gives none for a folder the compiler searches
# by itself. Links go on without it (nor CMAKE_SYSROOT): the sysroot's library folders then
# stay on the test programs' RPATH, where the emulator finds them by their paths on this
# machine, as the tests that check which SDL a program loaded expect.
set(CMAKE_CXX_COMPILE_OBJECT
    "<CMAKE_CXX_COMPILER> --sysroot=${CODEBREAKER_ARM_SYSROOT} <DEFINES> <INCLUDES> <FLAGS> -o <OBJECT> -c <SOURCE>")

# The target's multiarch folder, arm-linux-gnueabihf for arm-linux-gnueabihf-g++: Debian keeps
# its libraries there. Sysroots without one keep them in lib/ and usr/lib/, searched as well.
get_filename_component(triplet "${CODEBREAKER_ARM_TOOLCHAIN}" NAME)
string(REGEX REPLACE "-$" "" triplet "${triplet}")
set(CMAKE_LIBRARY_ARCHITECTURE ${triplet})

set(CMAKE_FIND_ROOT_PATH ${CODEBREAKER_ARM_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_SYSROOT_DIR} "${CODEBREAKER_ARM_SYSROOT}")
set(ENV{PKG_CONFIG_LIBDIR}
    "${CODEBREAKER_ARM_SYSROOT}/usr/lib/${triplet}/pkgconfig:${CODEBREAKER_ARM_SYSROOT}/usr/lib/pkgconfig:${CODEBREAKER_ARM_SYSROOT}/usr/share/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# The libraries SDL itself needs are found at link time through -rpath-link; PulseAudio keeps
# one of them in a folder of its own.
set(link_dirs "")
foreach(dir lib/${triplet} usr/lib/${triplet} usr/lib/${triplet}/pulseaudio lib usr/lib)
  if(IS_DIRECTORY "${CODEBREAKER_ARM_SYSROOT}/${dir}")
    string(APPEND link_dirs ":${CODEBREAKER_ARM_SYSROOT}/${dir}")
  endif()
endforeach()
string(SUBSTRING "${link_dirs}" 1 -1 link_dirs)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-rpath-link,${link_dirs}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,-rpath-link,${link_dirs}")

# CTest runs the ARM test programs through the emulator, which takes the target's C library
# and loader from the sysroot.
find_program(CODEBREAKER_ARM_EMULATOR ${ARM_EMULATOR})
if(CODEBREAKER_ARM_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CODEBREAKER_ARM_EMULATOR} -L ${CODEBREAKER_ARM_SYSROOT})
endif()
