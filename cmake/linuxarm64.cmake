# Cross toolchain for the Linux launcher on ARM64 (AArch64): Debian's
# g++-aarch64-linux-gnu, whose glibc is as new as the host's; the launcher
# binds the calls that every glibc since 2.17 (AArch64's first) has, as
# the x86-64 one does. Only the launcher: its tests run it under user-mode
# qemu-aarch64 from the native build (tests/linuxarm64).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(ZOV_LAUNCHER_NAME zov-arm64)
set(ZOV_LINUX_ARM64 ON)
set(ZOV_BUILD_TESTS OFF CACHE BOOL "" FORCE)
