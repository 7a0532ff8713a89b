# The suite base directory in the build tree, mirroring an installation:
#   bin/            help viewer and other suite-wide programs
#   bin/x86_64/     the analysis programs the application starts
#   config/         system.parc, lens tables, pixmaps/
#   help/           help pages
# Tests and the demo set PA_BASE to TREMOSCAN_SUITE_DIR.
set(TREMOSCAN_SUITE_DIR ${CMAKE_BINARY_DIR}/suite)
set(TREMOSCAN_SUITE_ARCH_BIN ${TREMOSCAN_SUITE_DIR}/bin/x86_64)
file(MAKE_DIRECTORY ${TREMOSCAN_SUITE_ARCH_BIN} ${TREMOSCAN_SUITE_DIR}/config/pixmaps
  ${TREMOSCAN_SUITE_DIR}/help)

# Every data file of the suite directory; every suite program depends on it,
# so building one program also lays out its configuration and help.
add_custom_target(suite_files ALL)

# tremoscan_suite_program(target [BIN])
#   Places the program in the suite's bin/x86_64 (or bin/ with BIN) in the
#   build tree and installs it to the same place under the prefix.
function(tremoscan_suite_program target)
  cmake_parse_arguments(ARG "BIN" "" "" ${ARGN})
  if(ARG_BIN)
    set(sub bin)
  else()
    set(sub bin/x86_64)
  endif()
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${TREMOSCAN_SUITE_DIR}/${sub})
  install(TARGETS ${target} RUNTIME DESTINATION ${sub})
  add_dependencies(${target} suite_files)
endfunction()

# tremoscan_suite_files(subdir file...)
#   Copies data files into the suite directory whenever they change, and
#   installs them under the prefix.
function(tremoscan_suite_files subdir)
  set(outputs)
  foreach(f ${ARGN})
    get_filename_component(name ${f} NAME)
    set(out ${TREMOSCAN_SUITE_DIR}/${subdir}/${name})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/${f} ${out}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${f} VERBATIM)
    list(APPEND outputs ${out})
    install(FILES ${f} DESTINATION ${subdir})
  endforeach()
  file(RELATIVE_PATH here ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(MAKE_C_IDENTIFIER "suite_files_${here}_${subdir}" tgt)
  add_custom_target(${tgt} ALL DEPENDS ${outputs})
  add_dependencies(suite_files ${tgt})
endfunction()
