# Cross toolchain for zov32.exe: 32-bit Windows. Never run here: these
# The posix thread model: GoogleTest needs std::mutex; the launcher uses no
# C++ threading, so it imports nothing more for it.
# machines refuse to execute 32-bit programs, Wine's included.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(ZOV_LAUNCHER_NAME zov32)
set(ZOV_BUILD_TESTS OFF CACHE BOOL "" FORCE)
