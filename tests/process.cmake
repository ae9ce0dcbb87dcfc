# Whole-program tests: the built game started as a process, and played end to end under Xvfb.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The codes the games of one run draw for a seed, computed by the game's own rules.
add_executable(codeof ${CMAKE_CURRENT_SOURCE_DIR}/tools/codeof.cpp)
target_link_libraries(codeof PRIVATE game_core)

# The pixels a text covers fully, rendered on its own with the font: held to the text's colour in
# the screenshots.
add_executable(text_mask ${CMAKE_CURRENT_SOURCE_DIR}/tools/text_mask.cpp)
target_link_libraries(text_mask PRIVATE PkgConfig::SDL ${SDL_TTF_LIB})

# SDL's own answers: the library loaded, and its words when start-up's steps fail, to hold
# the game's messages against.
add_executable(sdl_probe ${CMAKE_CURRENT_SOURCE_DIR}/tools/sdl_probe.cpp)
target_link_libraries(sdl_probe PRIVATE PkgConfig::SDL ${SDL_MIXER_LIB} ${CMAKE_DL_LIBS})

# Preloaded into the game or the probe: the video mode fails for want of memory for a frame.
add_library(frame_alloc_fails SHARED ${CMAKE_CURRENT_SOURCE_DIR}/tools/frame_alloc_fails.cpp)
target_link_libraries(frame_alloc_fails PRIVATE ${CMAKE_DL_LIBS})

# Preloaded into the game: one joystick is counted, and opening it fails.
add_library(joystick_fails SHARED ${CMAKE_CURRENT_SOURCE_DIR}/tools/joystick_fails.cpp)
target_link_libraries(joystick_fails PRIVATE ${CMAKE_DL_LIBS})

set(process_test_env
    "CODEBREAKER_BIN=$<TARGET_FILE:codebreaker>"
    "CODEOF_BIN=$<TARGET_FILE:codeof>"
    "TEXT_MASK_BIN=$<TARGET_FILE:text_mask>"
    "SDL_PROBE_BIN=$<TARGET_FILE:sdl_probe>"
    "FRAME_ALLOC_FAILS_LIB=$<TARGET_FILE:frame_alloc_fails>"
    "JOYSTICK_FAILS_LIB=$<TARGET_FILE:joystick_fails>"
    "SANDBOX_SH=${CMAKE_CURRENT_SOURCE_DIR}/sandbox.sh"
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

# The reader through which the harness takes the screens' figures from tests/layout.h.
add_process_test(e2e.layout_table        test_layout.py   LayoutTableTest     30 ONCE)
# The screenshots kept for docs/ must be the game's own drawing of data/.
add_process_test(e2e.screenshot_notes    test_screenshots.py NoteTest         30 ONCE)
add_process_test(process.sdl_runs        test_startup.py  SdlRunsTest         30 ONCE)
add_process_test(process.sdl_library     test_startup.py  SdlLibraryTest      30)
add_process_test(process.sandbox         test_sandbox.py  SandboxTest         30 ONCE)
add_process_test(process.messages        test_startup.py  StartupMessagesTest 60)
add_process_test(process.signals         test_startup.py  SignalTest          30)
add_process_test(process.sdl_init_fails  test_startup.py  SdlInitFailureTest  30)
add_process_test(process.video_mode_fails test_startup.py VideoModeFailureTest 120)
add_process_test(process.joystick_fails  test_startup.py  JoystickFailureTest 60)
add_process_test(e2e.game                test_endtoend.py GameTest            120)
add_process_test(e2e.help                test_endtoend.py HelpTest            90)
add_process_test(e2e.leaving             test_endtoend.py LeavingTest         90)
add_process_test(e2e.title               test_flow.py     TitleTest           60)
add_process_test(e2e.no_sound            test_flow.py     NoSoundTest         60)
add_process_test(e2e.quick_game          test_flow.py     QuickGameTest       90)
add_process_test(e2e.tournament          test_flow.py     TournamentTest      120)
add_process_test(process.broken_pipe     test_startup.py  BrokenPipeTest      60)
add_process_test(e2e.closed_streams      test_reliability.py ClosedStreamsTest 90)
add_process_test(e2e.fatal_signals       test_reliability.py FatalSignalTest   90)
add_process_test(e2e.memcheck          test_reliability.py ValgrindGameTest 600)
add_process_test(e2e.bad_data          test_baddata.py  BadDataTest         400)

# A cross build's game against the native build's: a whole game played on each, their screens
# the same pixel for pixel. The native game is the native build folder's.
if(CMAKE_CROSSCOMPILING)
  set(NATIVE_CODEBREAKER ${PROJECT_SOURCE_DIR}/build/codebreaker CACHE FILEPATH
      "The native build's game, which e2e.arm_matches_native holds the cross-built one to")
  list(APPEND process_test_env "NATIVE_CODEBREAKER=${NATIVE_CODEBREAKER}")
  add_process_test(e2e.arm_matches_native test_endtoend.py ArmMatchesNativeTest 30)
endif()
