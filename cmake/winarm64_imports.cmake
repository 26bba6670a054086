# The import libraries of the ARM64 build, made by llvm-dlltool from the
# .def files in cmake/winarm64 and found by the plain library names that
# the targets link (kernel32, msvcrt...). Included by the top level before
# any target.
set(ZOV_IMPORT_DIR "${CMAKE_BINARY_DIR}/imports")
file(GLOB defs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/cmake/winarm64/*.def")
set(libs)
foreach(def ${defs})
  get_filename_component(name "${def}" NAME_WE)
  set(lib "${ZOV_IMPORT_DIR}/lib${name}.a")
  add_custom_command(OUTPUT "${lib}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${ZOV_IMPORT_DIR}"
    COMMAND llvm-dlltool -m arm64 -d "${def}" -l "${lib}"
    DEPENDS "${def}"
    COMMENT "Import library ${name}")
  list(APPEND libs "${lib}")
endforeach()
add_custom_target(zov_import_libraries DEPENDS ${libs})
link_directories("${ZOV_IMPORT_DIR}")
# Not the platform's default libraries either: most have no .def here.
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD_LIBRARIES "")
