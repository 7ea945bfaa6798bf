# Copies the programs and help files of the build tree BIN into OUT, each
# program with a marker appended after its image ("older build MARKER"):
# the programs still run, and their bytes differ from the tree's own.
foreach(f updnotify/updnotify.exe modpanel/modpanel.exe updnotify/updnotify.chm modpanel/modpanel.chm)
  configure_file(${BIN}/${f} ${OUT}/${f} COPYONLY)
endforeach()
foreach(f updnotify/updnotify.exe modpanel/modpanel.exe)
  file(APPEND ${OUT}/${f} "older build ${MARKER}")
endforeach()
