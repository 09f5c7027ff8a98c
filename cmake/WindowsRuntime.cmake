# Where the DLLs of a cross-built Windows program come from: Qt's bin folder and the MinGW run-time
# (libstdc++, libgcc, winpthread). The deploy step copies them from there; tests run under Wine
# find them there.
set(VARTOLIN_RUNTIME_DLL_DIRS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name
                OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(libgcc_dir "${libgcc}" DIRECTORY)
list(APPEND VARTOLIN_RUNTIME_DLL_DIRS ${libgcc_dir})
foreach(root IN LISTS CMAKE_FIND_ROOT_PATH)
    if(EXISTS ${root}/lib AND NOT root STREQUAL QT6_INSTALL_PREFIX)
        list(APPEND VARTOLIN_RUNTIME_DLL_DIRS ${root}/lib)
    endif()
endforeach()

# The same as Wine's search path: drive Z: is the build machine's root.
set(VARTOLIN_WINEPATH)
foreach(dir IN LISTS VARTOLIN_RUNTIME_DLL_DIRS)
    list(APPEND VARTOLIN_WINEPATH "Z:${dir}")
endforeach()
# For scripts that run the build's programs under Wine outside CTest.
list(JOIN VARTOLIN_WINEPATH ";" joined)
file(WRITE ${CMAKE_BINARY_DIR}/windows-env.txt "WINEPATH=${joined}\n")
