# Release builds of the shipped binaries carry a CodeView debug directory and
# come with a .pdb beside them (property KX_PDB), which Microsoft's debuggers
# read; other targets get none, for build time.
find_program(KX_LLVM_OBJCOPY NAMES llvm-objcopy REQUIRED)

# kx_release_symbols(TARGET [OBJECT_LIBRARY...]): the object libraries it
# links are described in its .pdb too.
function(kx_release_symbols target)
  set(pdb ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${target}.pdb)
  set_target_properties(${target} PROPERTIES KX_PDB ${pdb})
  foreach(compiled ${target} ${ARGN})
    target_compile_options(${compiled} PRIVATE $<$<CONFIG:Release>:-gcodeview -g>)
  endforeach()
  # The binary names its .pdb by file name only, not by the build's folder.
  # The link map says which parts of the runtime went in (the notices).
  set(map ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${target}.map)
  set_target_properties(${target} PROPERTIES KX_MAP ${map})
  target_link_options(${target} PRIVATE
    "$<$<CONFIG:Release>:-Wl,--pdb=${pdb};-Wl,--Xlink=-pdbaltpath:%_PDB%;-Wl,-Map=${map}>")
  # lld keeps the DWARF of the GCC-built runtime despite -s; this drops it
  # and keeps the debug directory.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "$<$<CONFIG:Release>:${KX_LLVM_OBJCOPY};--strip-debug;$<TARGET_FILE:${target}>>"
    COMMAND_EXPAND_LISTS VERBATIM)
endfunction()
