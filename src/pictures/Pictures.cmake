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
    set(outputs)
    if(derivation STREQUAL "sizes")
        foreach(letter G M P)
            list(APPEND outputs ${PICTURE_OUT_DIR}/${name}_${letter}.${ext})
        endforeach()
    elseif(derivation MATCHES "^mirror:(.+)$")
        list(APPEND outputs ${PICTURE_OUT_DIR}/${name}.${ext} ${PICTURE_OUT_DIR}/${CMAKE_MATCH_1}.${ext})
    else()
        list(APPEND outputs ${PICTURE_OUT_DIR}/${name}.${ext})
    endif()
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:artc> build ${PICTURE_CATALOGUE} ${name} ${PICTURE_ART_DIR} ${PICTURE_OUT_DIR}
        DEPENDS artc ${PICTURE_ART_DIR}/${source}
        COMMENT "Rendering ${name}"
        VERBATIM)
    list(APPEND picture_files ${outputs})
endforeach()

configure_file(${PICTURE_CATALOGUE} ${PICTURE_OUT_DIR}/catalogue.tsv COPYONLY)
list(APPEND picture_files ${PICTURE_OUT_DIR}/catalogue.tsv)
set_source_files_properties(${picture_files} PROPERTIES GENERATED TRUE)

qt_add_resources(vartolin_core "pictures"
    PREFIX "/pictures"
    BASE ${PICTURE_OUT_DIR}
    FILES ${picture_files})
