# Help files of both programs, compiled from HTML sources in help with
# chmcmd (Debian's fp-utils) through help/build-chm.sh, which mends
# chmcmd's context map (see there). Where chmcmd is missing, the build warns
# and goes on without help files.
#
#   brantlow_help_file(NAME OUTPUT-DIR VAR [SOURCE-DIR SOURCE-FILES...])
#       help/NAME/NAME.hhp -> OUTPUT-DIR/NAME.chm; VAR gets that path
#       (empty without chmcmd). SOURCE-DIR replaces help/NAME for a
#       project written at build time, whose files are SOURCE-FILES.
#   brantlow_component_help_sources(OUTPUT-DIR NAMES)
#       the rule that writes the component help projects OUTPUT-DIR/NAME/
#       with help/make_component_help.py.
#   brantlow_component_help_names(VAR)
#       the help files that the component table names, without ".chm".
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(CHMCMD_EXECUTABLE chmcmd)
if(NOT CHMCMD_EXECUTABLE)
  message(WARNING "chmcmd not found (Debian package fp-utils): the help files "
                  "(modpanel.chm, updnotify.chm and the component help files) are not built")
endif()

set(BRANTLOW_HELP_SOURCE ${CMAKE_SOURCE_DIR}/help)
set(BRANTLOW_COMPONENT_TABLE_GENERATOR ${CMAKE_SOURCE_DIR}/modpanel/make_component_table.py)

function(brantlow_help_file name outdir var)
  if(NOT CHMCMD_EXECUTABLE)
    set(${var} "" PARENT_SCOPE)
    return()
  endif()
  if(ARGC GREATER 3)
    set(source_dir ${ARGV3})
    list(SUBLIST ARGN 1 -1 sources)
  else()
    set(source_dir ${BRANTLOW_HELP_SOURCE}/${name})
    if(NOT EXISTS ${source_dir}/${name}.hhp)
      message(FATAL_ERROR "help file ${name}.chm has no project ${source_dir}/${name}.hhp")
    endif()
    file(GLOB sources CONFIGURE_DEPENDS ${source_dir}/*)
  endif()
  set(pages ${CMAKE_CURRENT_BINARY_DIR}/help-pages/${name})
  add_custom_command(
    OUTPUT ${outdir}/${name}.chm
    # The pages with their shared head, and the shared style sheet.
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${pages}
    COMMAND ${Python3_EXECUTABLE} ${BRANTLOW_HELP_SOURCE}/help_page.py ${source_dir} ${pages}
    COMMAND sh ${BRANTLOW_HELP_SOURCE}/build-chm.sh ${CHMCMD_EXECUTABLE}
            ${pages} ${name}.hhp ${outdir}/${name}.chm
            ${CMAKE_CURRENT_BINARY_DIR}/help-stage/${name}
    # chmcmd's time stamps are the build's time of day: the source's instead.
    COMMAND ${Python3_EXECUTABLE} ${BRANTLOW_HELP_SOURCE}/set_chm_time.py
            ${outdir}/${name}.chm ${BRANTLOW_EPOCH}
    DEPENDS ${sources} ${BRANTLOW_HELP_SOURCE}/help_page.py ${BRANTLOW_HELP_SOURCE}/help.css
            ${BRANTLOW_HELP_SOURCE}/build-chm.sh ${BRANTLOW_HELP_SOURCE}/set_chm_time.py
    COMMENT "Compiling help file ${name}.chm"
    VERBATIM)
  set(${var} ${outdir}/${name}.chm PARENT_SCOPE)
endfunction()

# The table's own generator lists them (one line per help file: its name and
# the contexts it must map), so a help file added to the table is built too.
function(brantlow_component_help_names var)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${BRANTLOW_COMPONENT_TABLE_GENERATOR} ${CMAKE_SOURCE_DIR}/catalogue/ProductLines.h)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} ${BRANTLOW_COMPONENT_TABLE_GENERATOR} --help-contexts
    OUTPUT_VARIABLE listing
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "make_component_table.py --help-contexts failed")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z0-9_]+)\\.chm")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(${var} ${names} PARENT_SCOPE)
endfunction()

# The component help projects are pages of one template, so they are written
# into the build tree rather than kept in the repository. One run writes all
# of them; each project file stands for its folder, since the generator
# rewrites every file on each run.
function(brantlow_component_help_sources outdir names)
  set(projects "")
  foreach(name IN LISTS names)
    list(APPEND projects ${outdir}/${name}/${name}.hhp)
  endforeach()
  add_custom_command(
    OUTPUT ${projects}
    COMMAND ${Python3_EXECUTABLE} ${BRANTLOW_HELP_SOURCE}/make_component_help.py ${outdir}
    DEPENDS ${BRANTLOW_HELP_SOURCE}/make_component_help.py
            ${BRANTLOW_COMPONENT_TABLE_GENERATOR}
            ${CMAKE_SOURCE_DIR}/catalogue/ProductLines.h
            ${CMAKE_SOURCE_DIR}/modpanel/ComponentStrings.rc
    COMMENT "Writing the component help sources"
    VERBATIM)
endfunction()
