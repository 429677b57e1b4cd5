# The shipped program for 32-bit Windows 2000 and XP. The win32 thread model
# keeps the static runtime to what Windows 2000 has; nothing here builds
# GoogleTest.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KL_TRIPLE i686-w64-mingw32)
set(KL_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
