# Cross-compiles for 64-bit Windows: clang for MinGW-w64, linked by lld (which
# writes .pdb files), with the MinGW-w64 GCC runtime (libstdc++, libgcc,
# winpthreads; posix thread model). windres compiles the resources.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KX_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${KX_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${KX_TRIPLE})
set(CMAKE_RC_COMPILER ${KX_TRIPLE}-windres)
set(CMAKE_AR ${KX_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${KX_TRIPLE}-ranlib CACHE FILEPATH "")
# GNU objdump: tests read its listing of exports and imports.
set(CMAKE_OBJDUMP ${KX_TRIPLE}-objdump CACHE FILEPATH "")

# The runtime's g++ (posix thread model); tests that need g++ itself use it.
set(KX_MINGW_GXX ${KX_TRIPLE}-g++-posix)
# clang 14 does not take Debian's GCC folder name ("12-posix") for a version,
# so it finds neither libstdc++'s headers nor the runtime's libraries alone.
execute_process(COMMAND ${KX_MINGW_GXX} -print-libgcc-file-name
                OUTPUT_VARIABLE kx_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(KX_MINGW_GCC_DIR ${kx_libgcc} DIRECTORY)
set(kx_stdcxx ${KX_MINGW_GCC_DIR}/include/c++)
set(KX_MINGW_CXX_INCLUDES
    -isystem ${kx_stdcxx} -isystem ${kx_stdcxx}/${KX_TRIPLE} -isystem ${kx_stdcxx}/backward)
list(JOIN KX_MINGW_CXX_INCLUDES " " CMAKE_CXX_FLAGS_INIT)
# The posix runtime calls winpthreads, which g++ adds by itself and clang not.
set(kx_link "-fuse-ld=lld -L${KX_MINGW_GCC_DIR} -lpthread")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${kx_link})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${kx_link})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${kx_link})
# thread_local stays clang's native TLS (-femulated-tls with -gcodeview, clang
# 14 refers to a variable by a symbol that does not exist). The GCC-built
# runtime's thread-locals are emulated, so std::call_once, whose thread-locals
# its header declares, does not link.

set(CMAKE_FIND_ROOT_PATH /usr/${KX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
