# find_package(KXVirtualMachMgr CONFIG) gives KXVirtualMachMgr::KXVirtualMachMgr:
# the DLL, the public headers, and the import library the consumer's linker reads.
get_filename_component(_kx_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

# Microsoft's linker (cl, clang-cl, clang for the MSVC ABI) reads the .lib,
# GNU ld the .dll.a.
set(_kx_import_lib "${_kx_prefix}/lib/KXVirtualMachMgr.dll.a")
get_property(_kx_languages GLOBAL PROPERTY ENABLED_LANGUAGES)
foreach(_kx_language IN LISTS _kx_languages)
  if(CMAKE_${_kx_language}_COMPILER_ID STREQUAL "MSVC"
     OR CMAKE_${_kx_language}_SIMULATE_ID STREQUAL "MSVC")
    set(_kx_import_lib "${_kx_prefix}/lib/KXVirtualMachMgr.lib")
  endif()
endforeach()

foreach(_kx_file "${_kx_prefix}/bin/KXVirtualMachMgr.dll" "${_kx_import_lib}"
                 "${_kx_prefix}/include/kxvm.h")
  if(NOT EXISTS "${_kx_file}")
    set(KXVirtualMachMgr_FOUND FALSE)
    set(KXVirtualMachMgr_NOT_FOUND_MESSAGE "${_kx_file} is missing")
    return()
  endif()
endforeach()

if(NOT TARGET KXVirtualMachMgr::KXVirtualMachMgr)
  add_library(KXVirtualMachMgr::KXVirtualMachMgr SHARED IMPORTED)
  # The C++ layer reads COM error information (oleaut32) and uses COM (ole32).
  set_target_properties(KXVirtualMachMgr::KXVirtualMachMgr PROPERTIES
    IMPORTED_LOCATION "${_kx_prefix}/bin/KXVirtualMachMgr.dll"
    IMPORTED_IMPLIB "${_kx_import_lib}"
    INTERFACE_INCLUDE_DIRECTORIES "${_kx_prefix}/include"
    INTERFACE_LINK_LIBRARIES "ole32;oleaut32")
endif()
unset(_kx_prefix)
unset(_kx_import_lib)
unset(_kx_languages)
unset(_kx_language)
unset(_kx_file)
