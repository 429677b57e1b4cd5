# 64-bit Windows programs that run here under wine64. The posix thread model
# is the one GoogleTest builds with.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KL_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KL_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
