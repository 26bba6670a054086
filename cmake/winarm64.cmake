# Cross toolchain for zova64.exe and zovca64.exe: Windows on ARM64, built
# with clang and lld. No MinGW runtime exists here for this processor: the
# launcher needs none (its own entry point, msvcrt for the C library), and
# it links against import libraries that llvm-dlltool makes from the .def
# files in cmake/winarm64 (cmake/winarm64_imports.cmake). No unit tests
# and no zovpack.exe: those need a C++ standard library.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(ZOV_ARM64 ON)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET aarch64-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET aarch64-w64-mingw32)
find_program(CMAKE_RC_COMPILER NAMES llvm-windres llvm-windres-14
  PATHS /usr/lib/llvm-14/bin REQUIRED)
set(CMAKE_RC_FLAGS "--target=aarch64-w64-mingw32")
# The MinGW headers serve every processor; the x64 package installs them.
set(ZOV_MINGW_INCLUDE /usr/share/mingw-w64/include)
set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES ${ZOV_MINGW_INCLUDE})
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${ZOV_MINGW_INCLUDE})
# The compiler checks would link MinGW's start-up files, which are missing.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(ZOV_LAUNCHER_NAME zova64)
set(ZOV_BUILD_TESTS OFF CACHE BOOL "" FORCE)
