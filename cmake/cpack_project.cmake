# Read by cpack while it packages. dpkg-shlibdeps reads the libraries of the
# programs the package runs; a stub for another machine (zov-arm64) is data
# that zovpack copies, and its libraries are not this machine's to find.
set(SHLIBDEPS_EXECUTABLE "${CMAKE_CURRENT_LIST_DIR}/shlibdeps_native.sh"
  CACHE FILEPATH "dpkg-shlibdeps for this machine's programs only")
