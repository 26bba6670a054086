# The rules of the launcher binary, in one place: no exceptions, RTTI or C++
# standard library, optimised for size, static libgcc, stripped. The same
# compile flags apply to zovcore so the unit tests test the shipped code.
set(ZOV_LAUNCHER_COMPILE_OPTIONS
  -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics
  -fno-asynchronous-unwind-tables -fno-unwind-tables
  -ffunction-sections
  -Wall -Wextra)
# MinGW's GCC puts every zero-initialised variable of -fdata-sections into
# .data, which then costs a file-aligned section of its own; they belong in
# .bss, which costs nothing in the file.
if(NOT WIN32)
  list(APPEND ZOV_LAUNCHER_COMPILE_OPTIONS -fdata-sections)
endif()
# A carried runtime's first start is mostly inflating it. On Linux, where no
# size budget binds, the decoder is built for speed: unpacking takes 0.7 of
# the time, for 4 KB more.
if(NOT WIN32)
  set_source_files_properties("${CMAKE_SOURCE_DIR}/runtime/inflate.cpp"
    PROPERTIES COMPILE_OPTIONS -O2)
endif()
# The Windows stubs, whose size is budgeted: GCC's -Oz trades a little
# speed for size where -Os would not (constants pushed and popped, for one).
if(WIN32)
  list(APPEND ZOV_LAUNCHER_COMPILE_OPTIONS -Oz)
endif()
# 32-bit Windows: pushed arguments instead of stores to a pre-allocated
# area, the ABI's 4-byte stack alignment instead of 16, no frame pointer,
# and no inlining that grows a caller's frame: about 4.5 KB less code
# (-fconserve-stack pays only here, not on 64-bit). Pushed arguments need
# stack probing off,
# so a frame that would need probes (past the 4 KB guard page) must fail
# the build instead.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND ZOV_LAUNCHER_COMPILE_OPTIONS -mno-accumulate-outgoing-args
       -mno-stack-arg-probe -mpreferred-stack-boundary=2 -fomit-frame-pointer
       -fconserve-stack -Werror=frame-larger-than=4000)
endif()
# Windows on ARM64 (clang): the linker optimises the whole program, about
# 2.5 KB less. No stack probes (__chkstk lives in a MinGW runtime that is
# not here), so a frame past the guard page must fail the link, where the
# code is made.
if(ZOV_ARM64)
  list(APPEND ZOV_LAUNCHER_COMPILE_OPTIONS -flto -mno-stack-arg-probe
       -Wframe-larger-than=4000 -Werror=frame-larger-than
       -Wno-string-plus-int)  # "a\0b" + offset picks one of two names
endif()
# msvcrt's printf family instead of mingw-w64's own (about 50 KB more).
set(ZOV_LAUNCHER_DEFINITIONS __USE_MINGW_ANSI_STDIO=0)

# The Windows launcher as one translation unit of all of its sources,
# compiled as the whole program: the compiler then inlines across files and
# drops what nothing calls, and no function is padded to 16 bytes in a
# section of its own. About 3 KB less on 64-bit, 1 KB on 32-bit; the unit
# tests still test zovcore, the end-to-end tests this build. Nothing of
# zovcore is linked in: the one object defines all it uses.
# So every file-static name (static functions and variables, anonymous
# namespaces) shares one scope with every other file's: give each a name
# no other launcher file uses, or the Windows build fails to compile.
function(zov_launcher_whole_program target)
  get_target_property(sources ${target} SOURCES)
  # stdio.h first: libstdc++'s stdlib.h would turn on MinGW's own scanf.
  set(text "#include <stdio.h>\n")
  set(other)
  foreach(source ${ZOV_CORE_SOURCES} ${sources})
    if(source MATCHES "\\.cpp$")
      string(APPEND text "#include \"${source}\"\n")
    else()
      list(APPEND other "${source}")
    endif()
  endforeach()
  set(unity "${CMAKE_CURRENT_BINARY_DIR}/${target}_whole_program.cpp")
  file(CONFIGURE OUTPUT "${unity}" CONTENT "${text}")
  set_property(TARGET ${target} PROPERTY SOURCES "${unity}" ${other})
  # clang has no -fwhole-program: the linker drops what nothing calls.
  if(NOT ZOV_ARM64)
    target_compile_options(${target} PRIVATE -fwhole-program
                           -fno-function-sections)
  endif()
endfunction()

# A second argument CONSOLE links a Windows console program instead of a
# GUI one (its sources built with ZOV_CONSOLE).
function(zov_launcher_link_options target)
  # Linking with the C driver keeps libstdc++ out.
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections)
  if(NOT ZOV_ARM64)  # which has no libgcc
    target_link_options(${target} PRIVATE -static-libgcc)
  endif()
  if(WIN32)
    # Our own entry point (launcher/startup_win32.cpp) instead of MinGW's
    # start-up files, taken from zovcore ahead of the libraries that want
    # its atexit. Nothing would apply pseudo-relocations: forbid them.
    if("${ARGV1}" STREQUAL "CONSOLE")
      set(entry mainCRTStartup)
      set(subsystem -mconsole)
    else()
      set(entry WinMainCRTStartup)
      set(subsystem -mwindows)
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(entry _${entry})
      # libgcc's helpers (64-bit division on i686) from its archive: CMake
      # adds the C++ driver's -lgcc_s, an import library of
      # libgcc_s_dw2-1.dll, ahead of what -static would take them from.
      target_link_libraries(${target} PRIVATE gcc)
    endif()
    # Vista's calls (slim reader/writer locks, GetFinalPathNameByHandleA) set the
    # floor: the header names it, so older Windows refuses the file plainly.
    target_link_options(${target} PRIVATE
      -Wl,--major-subsystem-version,6,--minor-subsystem-version,0
      -Wl,--major-os-version,6,--minor-os-version,0)
    zov_launcher_whole_program(${target})
    if(ZOV_ARM64)
      # lld, and only our own import libraries (no MinGW runtime, no libgcc).
      target_link_options(${target} PRIVATE -fuse-ld=lld -nostdlib -flto
                          -Wl,--fatal-warnings)
      target_link_libraries(${target} PRIVATE msvcrt)
      add_dependencies(${target} zov_import_libraries)
    endif()
    target_link_options(${target} PRIVATE ${subsystem} -nostartfiles -static
      -Wl,--require-defined=${entry} -Wl,--disable-auto-import
      -Wl,-Map=$<TARGET_FILE_DIR:${target}>/${target}.map)
  else()
    target_link_options(${target} PRIVATE
      -Wl,-Map=$<TARGET_FILE_DIR:${target}>/${target}.map)
    # Every glibc since 2.17: the oldest __libc_start_main (startup_posix.cpp),
    # and libdl and libpthread named, which held dlopen and the threads the
    # runtime starts until 2.34 and remain, empty, after it.
    if(NOT ZOV_SANITIZE)
      target_link_options(${target} PRIVATE -Wl,--wrap=__libc_start_main
        -Wl,--no-as-needed -l:libdl.so.2 -l:libpthread.so.0 -Wl,--as-needed)
    endif()
  endif()
endfunction()
