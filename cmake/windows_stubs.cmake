# The Linux build's tests run the Windows builds' launchers, test runtimes
# and zovpack.exe: each of those build trees is brought up to date first,
# so no test ever runs a stub left over from an earlier build. The stubs
# alone (zov_windows_stubs) serve staging and the demo; everything else in
# those trees (zov_windows_trees) serves the tests. A tree that was never
# configured is configured by scripts/build.sh, not here.
set(ZOV_WINDOWS_DIRS)
foreach(dir ${ZOV_WIN64_DIR} ${ZOV_WIN32_DIR} ${ZOV_WINARM64_DIR})
  if(EXISTS "${dir}/CMakeCache.txt")
    list(APPEND ZOV_WINDOWS_DIRS "${dir}")
  endif()
endforeach()
set(stub_commands)
set(tree_commands)
foreach(dir ${ZOV_WINDOWS_DIRS})
  list(APPEND stub_commands COMMAND ${CMAKE_COMMAND} --build "${dir}"
       --target zov_launcher zov_console_launcher)
  list(APPEND tree_commands COMMAND ${CMAKE_COMMAND} --build "${dir}")
endforeach()
# Always run: the other trees' own build tools decide what is stale.
add_custom_target(zov_windows_stubs ${stub_commands}
  COMMENT "Bringing the Windows stubs up to date" VERBATIM)
add_custom_target(zov_windows_trees ALL ${tree_commands}
  COMMENT "Bringing the Windows build trees up to date" VERBATIM)
# Never two builds in one tree at once.
add_dependencies(zov_windows_trees zov_windows_stubs)
