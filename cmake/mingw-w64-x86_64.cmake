# 64-bit Windows programs that run here under wine64. The posix thread model
# is the one GoogleTest builds with.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KL_TRIPLE x86_64-w64-mingw32)
set(KL_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
