# 32-bit Windows: the programs as they ship.
set(SETUP_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
