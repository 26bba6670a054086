# What an installation holds, for `cmake --install` and the Debian package:
# bin/zovpack, every stub in share/zov (where zovpack looks first), the docs.
# The Windows stubs come from their own build trees; each is installed when
# it exists at install time, so a Linux-only build installs a Linux-only zov.
include(GNUInstallDirs)

set(ZOV_STUB_FILES)
if(ZOV_WIN64_DIR)
  list(APPEND ZOV_STUB_FILES "${ZOV_WIN64_DIR}/zov64.exe" "${ZOV_WIN64_DIR}/zovc64.exe")
endif()
if(ZOV_WIN32_DIR)
  list(APPEND ZOV_STUB_FILES "${ZOV_WIN32_DIR}/zov32.exe" "${ZOV_WIN32_DIR}/zovc32.exe")
endif()
if(ZOV_WINARM64_DIR)
  list(APPEND ZOV_STUB_FILES "${ZOV_WINARM64_DIR}/zova64.exe"
       "${ZOV_WINARM64_DIR}/zovca64.exe")
endif()
set(ZOV_STUB_DESTINATION "${CMAKE_INSTALL_DATADIR}/zov")

if(TARGET zovpack)
  install(TARGETS zovpack RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()
install(TARGETS zov_launcher RUNTIME DESTINATION "${ZOV_STUB_DESTINATION}")
if(ZOV_STUB_FILES)
  install(PROGRAMS ${ZOV_STUB_FILES} DESTINATION "${ZOV_STUB_DESTINATION}"
          OPTIONAL)
endif()
set(ZOV_DOC_FILES "${CMAKE_SOURCE_DIR}/README.md"
  "${CMAKE_SOURCE_DIR}/docs/configuration.md" "${CMAKE_SOURCE_DIR}/docs/packing.md"
  "${CMAKE_SOURCE_DIR}/docs/maven.md")
install(FILES ${ZOV_DOC_FILES} DESTINATION "${CMAKE_INSTALL_DOCDIR}")

# The build tree answers like an installation: build/linux/pack/zovpack
# finds the stubs in build/linux/share/zov. The Windows folder holds
# zovpack.exe with every stub beside it, as it ships for Windows
# (tests/e2e runs it from there).
set(ZOV_WINDOWS_FOLDER "zov-${PROJECT_VERSION}-windows")
# Packages go beside the build trees: build/ for build/linux.
get_filename_component(ZOV_PACKAGE_DIR "${CMAKE_BINARY_DIR}" DIRECTORY)
string(REPLACE ";" "|" stubs "$<TARGET_FILE:zov_launcher>;${ZOV_STUB_FILES}")
string(REPLACE ";" "|" ZOV_DOCS "${ZOV_DOC_FILES}")
set(stage ${CMAKE_COMMAND} -P "${CMAKE_SOURCE_DIR}/cmake/stage_files.cmake")
add_custom_target(zov_stage_stubs ALL
  COMMAND ${stage} "${CMAKE_BINARY_DIR}/share/zov" "${stubs}"
  DEPENDS zov_launcher
  COMMENT "Staging the stubs beside zovpack"
  VERBATIM)
add_dependencies(zov_stage_stubs zov_windows_stubs)
if(ZOV_WIN64_DIR)
  add_custom_target(zov_stage_windows ALL
    COMMAND ${stage} "${CMAKE_BINARY_DIR}/${ZOV_WINDOWS_FOLDER}"
            "${ZOV_WIN64_DIR}/pack/zovpack.exe|${stubs}|${ZOV_DOCS}"
    DEPENDS zov_launcher
    COMMENT "Staging zovpack.exe with its stubs"
    VERBATIM)
  add_dependencies(zov_stage_windows zov_windows_trees)
  add_custom_target(zov_windows_zip
    COMMAND ${CMAKE_COMMAND} -E tar cf
            "${ZOV_PACKAGE_DIR}/${ZOV_WINDOWS_FOLDER}.zip" --format=zip
            "${ZOV_WINDOWS_FOLDER}"
    DEPENDS zov_stage_windows
    WORKING_DIRECTORY "${CMAKE_BINARY_DIR}"
    COMMENT "Zipping zovpack.exe and its stubs"
    VERBATIM)
endif()

# The Debian package: cpack -G DEB, or `make package`, writes
# zov_<version>_amd64.deb beside the build trees.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zov)
set(CPACK_PACKAGE_VENDOR zov)
set(CPACK_PACKAGE_CONTACT "zov developers <zov@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Java application launcher: one executable per application")
set(CPACK_PACKAGE_DESCRIPTION
  "zovpack packs a Java application's JAR behind the zov launcher stub for\n\
Windows (x64, x86, ARM64) or Linux. The launcher finds an installed Java\n\
runtime and runs the application's main class in its own process.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "default-jre-headless")
set(CPACK_OUTPUT_FILE_PREFIX "${ZOV_PACKAGE_DIR}")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/cpack")
include(CPack)
