# The shipped program for 32-bit Windows 2000 and XP. The win32 thread model
# keeps the static runtime to what Windows 2000 has; nothing here builds
# GoogleTest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KL_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KL_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${KL_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${KL_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
