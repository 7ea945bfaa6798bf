# Sets up running this tree's Windows programs under Wine:
#   BRANTLOW_RUN_WINE_TESTS  true when CTest runs the Wine tests of this tree
#   CMAKE_CROSSCOMPILING_EMULATOR  the tree's wine-run.sh
# BRANTLOW_WINE_TESTS (AUTO, ON, OFF) decides; AUTO probes this host.
set(WINE_PREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
set(XVFB_DISPLAY_FILE ${CMAKE_BINARY_DIR}/xvfb.display)
set(XVFB_PID_FILE ${CMAKE_BINARY_DIR}/xvfb.pid)

if(MINGW_ARCH STREQUAL "x86_64")
  find_program(WINE_LOADER wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  if(NOT WINE_LOADER)
    find_program(WINE_LOADER wine64)
  endif()
else()
  find_program(WINE_LOADER wine)
endif()
find_program(XVFB_PROGRAM Xvfb)

set(BRANTLOW_RUN_WINE_TESTS OFF)
if(BRANTLOW_WINE_TESTS STREQUAL "ON")
  set(BRANTLOW_RUN_WINE_TESTS ON)
elseif(BRANTLOW_WINE_TESTS STREQUAL "AUTO")
  set(_host_runs_target ON)
  if(NOT MINGW_ARCH STREQUAL "x86_64")
    # The 32-bit Wine loader is an i386 program.
    execute_process(COMMAND /lib/ld-linux.so.2 --version
                    RESULT_VARIABLE _ld32 OUTPUT_QUIET ERROR_QUIET)
    if(NOT _ld32 EQUAL 0)
      set(_host_runs_target OFF)
      set(_why "this host's kernel does not execute 32-bit code")
    endif()
  endif()
  if(_host_runs_target AND WINE_LOADER AND XVFB_PROGRAM)
    set(BRANTLOW_RUN_WINE_TESTS ON)
  elseif(_host_runs_target)
    set(_why "no Wine loader or Xvfb for ${MINGW_ARCH}")
  endif()
else()
  set(_why "BRANTLOW_WINE_TESTS=${BRANTLOW_WINE_TESTS}")
endif()

# brantlow_wine_runner(OUT PREFIX [DLL...]): a runner script OUT that
# starts a Windows program of this tree under Wine in the prefix PREFIX,
# with Wine's DLLs DLL... turned off too. The tree's own prefix serves
# CTest; tests that need a prefix of their own (the installer's, the DPI
# test's) get a runner of their own.
function(brantlow_wine_runner out prefix)
  set(WINE_PREFIX_DIR ${prefix})
  string(JOIN "," WINE_DLLS_OFF mscoree mshtml winemenubuilder.exe ${ARGN})
  configure_file(${CMAKE_SOURCE_DIR}/tests/harness/wine-run.sh.in ${out} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()

if(BRANTLOW_RUN_WINE_TESTS)
  if(NOT WINE_LOADER)
    # Where the tests run elsewhere (a VM), the loader has Debian's path.
    set(WINE_LOADER /usr/bin/wine)
  endif()
  brantlow_wine_runner(${CMAKE_BINARY_DIR}/wine-run.sh ${WINE_PREFIX_DIR})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  message(STATUS "Wine tests run with ${WINE_LOADER}")
  file(REMOVE ${CMAKE_BINARY_DIR}/wine-tests-off.txt)
else()
  # tools/test.sh prints this reason.
  file(WRITE ${CMAKE_BINARY_DIR}/wine-tests-off.txt "${_why}\n")
  message(STATUS "Wine tests are not run in this tree: ${_why}")
endif()
