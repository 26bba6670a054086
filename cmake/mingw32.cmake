# Cross toolchain for zov32.exe: 32-bit Windows. These machines refuse to
# execute 32-bit programs, Wine's included: the tests run under 32-bit Wine
# in an emulated i386 guest that scripts/test.sh boots (tests/guest32).
# The posix thread model: GoogleTest needs std::mutex; the launcher uses no
# C++ threading, so it imports nothing more for it.
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
get_filename_component(ZOV_GUEST32 "${CMAKE_CURRENT_LIST_DIR}/../tests/guest32" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZOV_GUEST32}/wine")
# Drivers that read and type on Wine's X display run beside it, in the guest.
set(ZOV_WINE_DRIVER_LAUNCHER "${ZOV_GUEST32}/guest")
set(ZOV_DRIVER_WINE /usr/bin/wine)
set(ZOV_DRIVER_PYTHON python3)
# Wine reads a section whose file offset is not page-aligned with one
# pread, which comes back short from the guest's shared folder beyond a
# few hundred KiB: the test programs' sections are page-aligned, so mapped.
set(ZOV_TEST_LINK_OPTIONS -static -Wl,--file-alignment,4096)
