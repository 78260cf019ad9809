# rm42_runtime_file(<source> [<name in bin>]): copy a data file into the runnable folder, and
# install it into share/rm42meter/ where the installed program looks for it.
# Files are copied at build time, so an edited template shows up after the next build.
include(GNUInstallDirs)
add_custom_target(rm42_runtime_files ALL)
function(rm42_runtime_file source)
  get_filename_component(abs "${source}" ABSOLUTE)
  if(ARGC GREATER 1)
    set(name "${ARGV1}")
  else()
    get_filename_component(name "${source}" NAME)
  endif()
  string(MAKE_C_IDENTIFIER "${name}" id)
  add_custom_command(OUTPUT "${RM42_BIN_DIR}/${name}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${RM42_BIN_DIR}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${abs}" "${RM42_BIN_DIR}/${name}"
    DEPENDS "${abs}" VERBATIM)
  add_custom_target(rm42_rt_${id} DEPENDS "${RM42_BIN_DIR}/${name}")
  add_dependencies(rm42_runtime_files rm42_rt_${id})
  install(FILES "${abs}" DESTINATION "${CMAKE_INSTALL_DATADIR}/rm42meter" RENAME "${name}")
endfunction()
