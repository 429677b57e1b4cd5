# 32-bit Windows test programs that run here in a 32-bit Wine prefix beside the
# shipped program. The posix thread model is the one GoogleTest builds with;
# the shipped program keeps the win32 model (mingw-w64-i686.cmake).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KL_TRIPLE i686-w64-mingw32)
set(KL_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
