# Renders every picture of the catalogue at build time and compiles the results into the program.
# One custom command per catalogue row: editing one SVG re-renders only that picture.

set(PICTURE_CATALOGUE ${CMAKE_CURRENT_SOURCE_DIR}/pictures/catalogue.tsv)
set(VARTOLIN_ART_DIR ${CMAKE_CURRENT_SOURCE_DIR}/pictures/art CACHE PATH "Folder of the SVG drawings")
set(PICTURE_ART_DIR ${VARTOLIN_ART_DIR})
set(PICTURE_OUT_DIR ${CMAKE_CURRENT_BINARY_DIR}/pictures)
file(MAKE_DIRECTORY ${PICTURE_OUT_DIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PICTURE_CATALOGUE})

file(STRINGS ${PICTURE_CATALOGUE} catalogue_lines)
set(picture_files)
set(packed_files)
foreach(line IN LISTS catalogue_lines)
    if(line MATCHES "^[ \t]*#" OR line MATCHES "^[ \t]*$")
        continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" cells "${line}")
    list(GET cells 0 name)
    list(GET cells 1 source)
    list(GET cells 2 form)
    list(GET cells -1 derivation)
    if(form STREQUAL "bmp" OR form STREQUAL "glyph")
        set(ext bmp)
    else()
        set(ext png)
    endif()
    if(derivation STREQUAL "sizes")
        set(bases ${name}_G ${name}_M ${name}_P)
    elseif(derivation MATCHES "^mirror:(.+)$")
        set(bases ${name} ${CMAKE_MATCH_1})
    else()
        set(bases ${name})
    endif()
    set(stored)
    set(packed)
    foreach(base IN LISTS bases)
        list(APPEND stored ${PICTURE_OUT_DIR}/${base}.${ext})
        list(APPEND packed ${PICTURE_OUT_DIR}/${base}.vpx)
    endforeach()
    set(outputs ${stored} ${packed})
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:artc> build ${PICTURE_CATALOGUE} ${name} ${PICTURE_ART_DIR} ${PICTURE_OUT_DIR}
        DEPENDS artc ${PICTURE_ART_DIR}/${source}
        COMMENT "Rendering ${name}"
        VERBATIM)
    list(APPEND picture_files ${stored})
    list(APPEND packed_files ${packed})
endforeach()

configure_file(${PICTURE_CATALOGUE} ${PICTURE_OUT_DIR}/catalogue.tsv COPYONLY)
list(APPEND picture_files ${PICTURE_OUT_DIR}/catalogue.tsv)
set_source_files_properties(${picture_files} ${packed_files} PROPERTIES GENERATED TRUE)

# One resource target for every output: with the Makefile generators, each target that lists a
# custom command's outputs gets its own copy of the command, and two copies would render the same
# files at once. Nothing is compressed, so the packed forms are read in place (the PNGs are
# compressed already and the BMPs are small).
qt_add_resources(vartolin_core "pictures"
    PREFIX "/pictures"
    BASE ${PICTURE_OUT_DIR}
    OPTIONS -no-compress
    FILES ${picture_files} ${packed_files})
