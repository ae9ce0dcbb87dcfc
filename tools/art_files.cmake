# The files the art generator writes: the game's pictures (data/) and its icon's sizes. Shared by
# the art test, which checks each against the committed copy, the install and the handheld package.
#
# The pictures come from their one list, src/platform/pictures.h, read here strictly: every line
# must be a comment, a blank line, its #pragma once, its #define GAME_PICTURES(PICTURE) or one
# PICTURE("file.bmp", global, true|false, width, height) line of that macro; any other line stops
# CMake, so that no picture can be listed in a form this reader would skip.
#
# Sets ART_PICTURES (the files, in the list's order), ART_PICTURE_GLOBALS (their bitmap globals,
# in the same order) and ART_PICTURES_HEADER (the list's path, for dependencies). Include it
# from a project or a script (cmake -P); ART_PICTURES_HEADER may be set first to read another
# file, as the reader's own test does.
if(NOT ART_PICTURES_HEADER)
  get_filename_component(ART_PICTURES_HEADER
                         "${CMAKE_CURRENT_LIST_DIR}/../src/platform/pictures.h" ABSOLUTE)
endif()

function(art_read_pictures header)
  if(NOT EXISTS "${header}")
    message(FATAL_ERROR "${header}: the list of the game's pictures is missing")
  endif()
  file(READ "${header}" text)
  # One list item per line. Semicolons, backslashes and square brackets mean something to CMake
  # lists, so they are spelt out first.
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "\\" "<backslash>" text "${text}")
  string(REPLACE "[" "<open>" text "${text}")
  string(REPLACE "]" "<close>" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")

  # PICTURE("file.bmp", global, keyed, width, height), then a backslash on all lines but the last.
  set(ws "[ \t]*")
  string(CONCAT picture_line "^[ \t]+PICTURE\\(\"([a-z0-9_]+\\.bmp)\",${ws}([a-z_][a-z0-9_]*),"
                             "${ws}(true|false),${ws}([1-9][0-9]*),${ws}([1-9][0-9]*)\\)${ws}"
                             "(<backslash>)?$")
  set(files "")
  set(globals "")
  set(state before) # before the macro, inside it, after it
  set(n 0)
  foreach(line IN LISTS lines)
    math(EXPR n "${n} + 1")
    if(state STREQUAL "inside")
      if(NOT line MATCHES "${picture_line}")
        message(FATAL_ERROR "${header}:${n}: not a PICTURE(\"file.bmp\", global, true|false, "
                            "width, height) line, which is all GAME_PICTURES may hold: ${line}")
      endif()
      set(file "${CMAKE_MATCH_1}")
      set(global "${CMAKE_MATCH_2}")
      if(file IN_LIST files)
        message(FATAL_ERROR "${header}:${n}: ${file} is listed twice")
      endif()
      if(global IN_LIST globals)
        message(FATAL_ERROR "${header}:${n}: the global ${global} is listed twice")
      endif()
      list(APPEND files "${file}")
      list(APPEND globals "${global}")
      if(NOT line MATCHES "<backslash>$")
        set(state after) # the macro's last line
      endif()
    elseif(line MATCHES "^[ \t]*$" OR line MATCHES "^[ \t]*//" OR line STREQUAL "#pragma once")
      # Nothing listed here.
    elseif(state STREQUAL "before"
           AND line MATCHES "^#define GAME_PICTURES\\(PICTURE\\)[ \t]*<backslash>$")
      set(state inside)
    else()
      message(FATAL_ERROR "${header}:${n}: cannot read this line of the pictures' list: ${line}")
    endif()
  endforeach()
  if(NOT state STREQUAL "after")
    message(FATAL_ERROR "${header}: no complete #define GAME_PICTURES(PICTURE) list in it")
  endif()
  set(ART_PICTURES "${files}" PARENT_SCOPE)
  set(ART_PICTURE_GLOBALS "${globals}" PARENT_SCOPE)
endfunction()

art_read_pictures("${ART_PICTURES_HEADER}")
# A project configured from the list reads it again when it changes.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ART_PICTURES_HEADER}")
endif()

# mkicon writes one square PNG per size, named NxN.png.
set(ART_ICON_SIZES 16 24 32 48 64 128 256)
