# The console launcher for command-line tools (zovc64.exe, zovc32.exe): the
# same sources built with ZOV_CONSOLE, so that cmd.exe waits for it and the
# application has the console's standard streams. No splash; a failure's
# message goes to standard error. Included by the top level on Windows,
# once zovcore and the GUI launcher are defined.
add_library(zovcore_console STATIC ${ZOV_CORE_SOURCES})
add_dependencies(zovcore_console zov_messages)
target_include_directories(zovcore_console PUBLIC "${CMAKE_SOURCE_DIR}"
  ${ZOV_JNI_INCLUDES} "${ZOV_GENERATED}")
target_compile_options(zovcore_console PRIVATE ${ZOV_LAUNCHER_COMPILE_OPTIONS})
target_compile_definitions(zovcore_console PUBLIC ${ZOV_LAUNCHER_DEFINITIONS}
  ZOV_CONSOLE)
target_link_libraries(zovcore_console PUBLIC advapi32 user32 gdi32 kernel32)

string(REGEX REPLACE "^zov" "zovc" ZOV_CONSOLE_LAUNCHER_NAME
  "${ZOV_LAUNCHER_NAME}")
add_executable(zov_console_launcher ${ZOV_LAUNCHER_SOURCES} ${ZOV_RESOURCES})
set_target_properties(zov_console_launcher PROPERTIES
  OUTPUT_NAME ${ZOV_CONSOLE_LAUNCHER_NAME})
target_compile_options(zov_console_launcher PRIVATE
  ${ZOV_LAUNCHER_COMPILE_OPTIONS})
target_link_libraries(zov_console_launcher PRIVATE zovcore_console)
zov_launcher_link_options(zov_console_launcher CONSOLE)
