# 32-bit Windows test programs that run here under wine64's WoW64 mode. The
# posix thread model is the one GoogleTest builds with; the shipped program
# keeps the win32 model (mingw-w64-i686.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KL_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KL_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
