# cmake -P stage_files.cmake DEST "FILE|FILE|...": copies each FILE that
# exists into DEST and removes DEST's copy of one that does not, so a stub
# never outlives its build.
set(dest "${CMAKE_ARGV3}")
string(REPLACE "|" ";" files "${CMAKE_ARGV4}")
file(MAKE_DIRECTORY "${dest}")
foreach(f ${files})
  get_filename_component(name "${f}" NAME)
  if(EXISTS "${f}" AND NOT IS_DIRECTORY "${f}")
    file(COPY_FILE "${f}" "${dest}/${name}" ONLY_IF_DIFFERENT)
  else()
    file(REMOVE "${dest}/${name}")
  endif()
endforeach()
