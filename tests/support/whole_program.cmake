# What every whole-program test shares: the environment that names the built programs and the
# helpers, and add_process_test, which registers one test class once per SDL library.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(process_test_env
    "CODEBREAKER_BIN=$<TARGET_FILE:codebreaker>"
    "RULES_MODEL_BIN=$<TARGET_FILE:rules_model>"
    "TEXT_MASK_BIN=$<TARGET_FILE:text_mask>"
    "SDL_PROBE_BIN=$<TARGET_FILE:sdl_probe>"
    "FRAME_ALLOC_FAILS_LIB=$<TARGET_FILE:frame_alloc_fails>"
    "JOYSTICK_FAILS_LIB=$<TARGET_FILE:joystick_fails>"
    "SANDBOX_SH=${CMAKE_CURRENT_LIST_DIR}/sandbox.sh"
    "FAKE_MENU_BIN=${FAKE_MENU_BIN}"
    "CLOSE_WINDOW_BIN=${CLOSE_WINDOW_BIN}"
    "CTEST_COMMAND=${CMAKE_CTEST_COMMAND}"
    "BUILD_DIR=${CMAKE_BINARY_DIR}"
    "GAME_ROOT=${GAME_ROOT}"
    "PYTHONDONTWRITEBYTECODE=1")

# A cross build's programs run under the emulator: the harness puts it before each of them, and
# gives the game EMULATOR_SLOWDOWN times as long for each of its waits, and CTest each test.
set(process_timeout_factor 1)
if(CMAKE_CROSSCOMPILING)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    message(FATAL_ERROR "a cross build runs its whole-program tests under an emulator: set "
                        "CMAKE_CROSSCOMPILING_EMULATOR (the ARM toolchain files find qemu-user)")
  endif()
  set(EMULATOR_SLOWDOWN 4 CACHE STRING
      "How many times longer than natively the game may take under the emulator")
  set(process_timeout_factor ${EMULATOR_SLOWDOWN})
  # The CMake list goes into one variable, its semicolons kept from the test property's own.
  string(REPLACE ";" "\\;" emulator "${CMAKE_CROSSCOMPILING_EMULATOR}")
  list(APPEND process_test_env "CROSSCOMPILING_EMULATOR=${emulator}"
       "EMULATOR_SLOWDOWN=${EMULATOR_SLOWDOWN}")
endif()

# Each test class is one CTest test: NAME SCRIPT CLASS TIMEOUT [ONCE], once on each SDL
# library; a class that runs nothing of SDL's, or looks at the runs themselves, runs ONCE.
function(add_process_test name script class timeout)
  cmake_parse_arguments(PARSE_ARGV 4 arg "ONCE" "" "")
  set(runs ${SDL_RUNS})
  if(arg_ONCE)
    set(runs classic)
  endif()
  foreach(run IN LISTS runs)
    set(full_name ${SDL_RUN_${run}_PREFIX}${name})
    # Each run keeps its screenshots apart: the classic run's under artefacts/, the others'
    # under artefacts/RUN/.
    set(artefacts ${CMAKE_BINARY_DIR}/artefacts)
    if(NOT run STREQUAL classic)
      set(artefacts ${artefacts}/${run})
    endif()
    add_test(NAME ${full_name}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${script} -v ${class}
             WORKING_DIRECTORY ${GAME_ROOT})
    math(EXPR scaled "${timeout} * ${process_timeout_factor}")
    set_tests_properties(${full_name} PROPERTIES TIMEOUT ${scaled} ENVIRONMENT
      "${process_test_env};ARTEFACT_DIR=${artefacts};${SDL_RUN_${run}_ENV}")
  endforeach()
endfunction()

