# Sets up running this tree's Windows programs under Wine:
#   BRANTLOW_WINE_TESTS  ON when the programs can run here
#   CMAKE_CROSSCOMPILING_EMULATOR  the tree's wine-run.sh
set(WINE_PREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
set(XVFB_DISPLAY_FILE ${CMAKE_BINARY_DIR}/xvfb.display)
set(XVFB_PID_FILE ${CMAKE_BINARY_DIR}/xvfb.pid)

set(BRANTLOW_WINE_TESTS OFF)
if(MINGW_ARCH STREQUAL "x86_64")
  find_program(WINE_LOADER wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  if(NOT WINE_LOADER)
    find_program(WINE_LOADER wine64)
  endif()
else()
  # The 32-bit loader is an i386 program: try the i386 dynamic loader first.
  execute_process(COMMAND /lib/ld-linux.so.2 --version
                  RESULT_VARIABLE _ld32 OUTPUT_QUIET ERROR_QUIET)
  if(_ld32 EQUAL 0)
    find_program(WINE_LOADER wine)
  endif()
endif()
find_program(XVFB_PROGRAM Xvfb)

if(WINE_LOADER AND XVFB_PROGRAM)
  set(BRANTLOW_WINE_TESTS ON)
  configure_file(${CMAKE_SOURCE_DIR}/tests/harness/wine-run.sh.in
                 ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  message(STATUS "Wine tests run with ${WINE_LOADER}")
else()
  message(STATUS "Wine tests are off in this tree: no usable Wine loader or Xvfb for ${MINGW_ARCH}")
endif()
