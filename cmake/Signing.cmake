# Authenticode signing of the shipped programs and the package (osslsigncode,
# tools/build/sign.py), with the vendor's key:
#
#   BRANTLOW_SIGN_PKCS12         PKCS#12 file with the code-signing key and
#                                certificate; empty: nothing is signed
#   BRANTLOW_SIGN_PASSWORD_FILE  file holding its password (empty or absent:
#                                none)
#   BRANTLOW_SIGN_TIMESTAMP_URL  RFC 3161 time-stamp server (optional)
#
# The signing time is BRANTLOW_EPOCH, so a signed build is reproducible too.
# BRANTLOW_SIGN_COMMAND is the command that signs the files given after it
# (one that does nothing when signing is off).
set(BRANTLOW_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file to sign the programs and the package with")
set(BRANTLOW_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the PKCS#12 password (none: no password)")
set(BRANTLOW_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for the signatures")
set(BRANTLOW_SIGN_NAME "Brantlow Support Tools")
# The vendor's web address: in the signatures and in Programs and Features.
set(BRANTLOW_VENDOR_URL "https://www.brantlow.example/")
set(BRANTLOW_SIGN_SCRIPT ${CMAKE_SOURCE_DIR}/tools/build/sign.py)

if(BRANTLOW_SIGN_PKCS12 STREQUAL "")
  message(STATUS "Signing: off (BRANTLOW_SIGN_PKCS12 not set): nothing is signed")
  set(BRANTLOW_SIGN_COMMAND ${CMAKE_COMMAND} -E true)
  return()
endif()
foreach(var BRANTLOW_SIGN_PKCS12 BRANTLOW_SIGN_PASSWORD_FILE)
  if(NOT "${${var}}" STREQUAL "" AND NOT IS_ABSOLUTE "${${var}}")
    message(FATAL_ERROR "Signing: ${var}=${${var}}: give an absolute path")
  endif()
endforeach()
find_program(OSSLSIGNCODE_EXECUTABLE osslsigncode)
find_program(OPENSSL_EXECUTABLE openssl)
if(NOT OSSLSIGNCODE_EXECUTABLE OR NOT OPENSSL_EXECUTABLE)
  message(FATAL_ERROR "BRANTLOW_SIGN_PKCS12 is set but osslsigncode or openssl is missing "
                      "(Debian packages osslsigncode, openssl)")
endif()
set(sign_key --pkcs12=${BRANTLOW_SIGN_PKCS12} --password-file=${BRANTLOW_SIGN_PASSWORD_FILE})
execute_process(COMMAND ${Python3_EXECUTABLE} ${BRANTLOW_SIGN_SCRIPT} check ${sign_key}
                RESULT_VARIABLE sign_result ERROR_VARIABLE sign_error)
if(NOT sign_result EQUAL 0)
  string(STRIP "${sign_error}" sign_error)
  message(FATAL_ERROR "Signing: ${sign_error}")
endif()
set(BRANTLOW_SIGN_COMMAND ${Python3_EXECUTABLE} ${BRANTLOW_SIGN_SCRIPT} sign ${sign_key}
    --name ${BRANTLOW_SIGN_NAME} --url ${BRANTLOW_VENDOR_URL} --time ${BRANTLOW_EPOCH}
    --timestamp-url=${BRANTLOW_SIGN_TIMESTAMP_URL})
message(STATUS "Signing: programs and package with ${BRANTLOW_SIGN_PKCS12}")
