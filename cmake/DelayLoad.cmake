# Delay-load import libraries for the system DLLs that are not known DLLs.
# What the loader resolves before WinMain is searched for in the program's
# own folder first (a download folder, the temporary folder); a DLL imported
# through one of these libraries is loaded only when first called, after the
# program has restricted the search (platform/win32/DllSearch.cpp).
#
# Made at configure time from mingw-w64's ordinary import library of each
# DLL: every name it exports, with the stdcall decoration kept for the
# linker and dropped (-k) from the name looked up at run time.

find_program(SETUP_NM NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-nm REQUIRED)
find_program(SETUP_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool REQUIRED)
# 32-bit names carry a leading underscore; 64-bit ones none.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(SETUP_IMP_PREFIX "__imp_")
else()
  set(SETUP_IMP_PREFIX "__imp__")
endif()

# setup_delay_import_library(DLL VAR): VAR names the delay-load library for
# DLL (for instance user32).
function(setup_delay_import_library dll var)
  set(out "${CMAKE_BINARY_DIR}/delayload/lib${dll}_delay.a")
  find_library(SETUP_IMPLIB_${dll} NAMES lib${dll}.a REQUIRED NO_CACHE)
  if(NOT EXISTS "${out}" OR "${SETUP_IMPLIB_${dll}}" IS_NEWER_THAN "${out}")
    file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/delayload")
    execute_process(COMMAND ${SETUP_NM} "${SETUP_IMPLIB_${dll}}"
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "nm failed on ${SETUP_IMPLIB_${dll}}")
    endif()
    # "00000000 I __imp__MessageBoxA@16" -> "MessageBoxA@16"
    string(REGEX MATCHALL "I ${SETUP_IMP_PREFIX}[^\n]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^I ${SETUP_IMP_PREFIX}" "")
    list(REMOVE_DUPLICATES imports)
    list(JOIN imports "\n" exports)
    string(TOUPPER "${dll}" upper)
    file(WRITE "${CMAKE_BINARY_DIR}/delayload/${dll}.def"
         "LIBRARY ${upper}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${SETUP_DLLTOOL} -k --def "${CMAKE_BINARY_DIR}/delayload/${dll}.def"
                            --output-delaylib "${out}"
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "dlltool failed for ${dll}")
    endif()
  endif()
  set(${var} "${out}" PARENT_SCOPE)
endfunction()
