# 64-bit Windows, for testing only: a machine whose kernel runs no 32-bit
# code (and so no 32-bit Wine) still runs the Windows suites under 64-bit
# Wine. Releases are 32-bit.
set(SETUP_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
