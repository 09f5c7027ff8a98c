# Renders every picture of the catalogue at build time, at 1x and at 2x, and compiles the results
# into the program. One custom command per catalogue row: editing one SVG re-renders only that row.
# This is the one place that derives the pictures' names and files from the catalogue; it writes
# them to the table pictures.tsv, which the program and the tests read.

set(PICTURE_CATALOGUE ${CMAKE_CURRENT_SOURCE_DIR}/pictures/catalogue.tsv)
set(VARTOLIN_ART_DIR ${CMAKE_CURRENT_SOURCE_DIR}/pictures/art CACHE PATH "Folder of the SVG drawings")
set(PICTURE_OUT_DIR ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(VARTOLIN_PICTURE_TABLE ${PICTURE_OUT_DIR}/pictures.tsv)
file(MAKE_DIRECTORY ${PICTURE_OUT_DIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PICTURE_CATALOGUE})

function(vartolin_double_size size out_var)
    string(REGEX MATCH "^([0-9]+)x([0-9]+)$" valid "${size}")
    if(NOT valid)
        message(FATAL_ERROR "catalogue: bad size '${size}'")
    endif()
    math(EXPR w "${CMAKE_MATCH_1} * 2")
    math(EXPR h "${CMAKE_MATCH_2} * 2")
    set(${out_var} ${w}x${h} PARENT_SCOPE)
endfunction()

file(STRINGS ${PICTURE_CATALOGUE} catalogue_lines)
set(table "# Written by the build from catalogue.tsv.\n# name\tform\tsize\tsource\tstored\tpacked\tstored 2x\tpacked 2x\n")
set(stored_files)
set(packed_files)
foreach(line IN LISTS catalogue_lines)
    if(line MATCHES "^[ \t]*#" OR line MATCHES "^[ \t]*$")
        continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" cells "${line}")
    list(LENGTH cells cell_count)
    if(cell_count LESS 5)
        message(FATAL_ERROR "catalogue: too few columns in '${line}'")
    endif()
    list(GET cells 0 name)
    list(GET cells 1 source)
    list(GET cells 2 form)
    list(GET cells -1 derivation)
    list(SUBLIST cells 3 -1 sizes)
    list(REMOVE_AT sizes -1)
    if(form STREQUAL "bmp" OR form STREQUAL "glyph")
        set(ext bmp)
    elseif(form MATCHES "^png(-edge|-alpha)?$")
        set(ext png)
    else()
        message(FATAL_ERROR "catalogue: unknown form '${form}' of ${name}")
    endif()

    # The outputs of the row and their sizes, side by side; a mirror pair shares one size.
    set(names)
    set(mirror_of)
    if(derivation STREQUAL "sizes")
        set(names ${name}_G ${name}_M ${name}_P)
    elseif(derivation MATCHES "^mirror:(.+)$")
        set(names ${name} ${CMAKE_MATCH_1})
        set(mirror_of ${name})
        list(APPEND sizes ${sizes})
    elseif(derivation STREQUAL "single")
        set(names ${name})
    else()
        message(FATAL_ERROR "catalogue: unknown derivation '${derivation}' of ${name}")
    endif()
    list(LENGTH names name_count)
    list(LENGTH sizes size_count)
    if(NOT name_count EQUAL size_count)
        message(FATAL_ERROR "catalogue: ${name} needs ${name_count} sizes, has ${size_count}")
    endif()

    set(outputs)
    set(commands)
    foreach(out_name size IN ZIP_LISTS names sizes)
        vartolin_double_size(${size} size2x)
        set(stored ${out_name}.${ext})
        set(stored2x ${out_name}@2x.${ext})
        set(from ${source})
        if(mirror_of AND NOT out_name STREQUAL mirror_of)
            set(from mirror:${mirror_of})
            foreach(scale "" "@2x")
                list(APPEND commands COMMAND ${VARTOLIN_ARTC} mirror
                     ${PICTURE_OUT_DIR}/${mirror_of}${scale}.${ext}
                     ${PICTURE_OUT_DIR}/${out_name}${scale}.${ext} ${PICTURE_OUT_DIR}/${out_name}${scale}.vpx)
            endforeach()
        else()
            list(APPEND commands
                 COMMAND ${VARTOLIN_ARTC} render ${VARTOLIN_ART_DIR}/${source} ${form} ${size}
                         ${PICTURE_OUT_DIR}/${stored} ${PICTURE_OUT_DIR}/${out_name}.vpx
                 COMMAND ${VARTOLIN_ARTC} render ${VARTOLIN_ART_DIR}/${source} ${form} ${size2x}
                         ${PICTURE_OUT_DIR}/${stored2x} ${PICTURE_OUT_DIR}/${out_name}@2x.vpx)
        endif()
        string(APPEND table "${out_name}\t${form}\t${size}\t${from}\t${stored}\t${out_name}.vpx\t${stored2x}\t${out_name}@2x.vpx\n")
        foreach(file ${stored} ${stored2x})
            list(APPEND stored_files ${PICTURE_OUT_DIR}/${file})
        endforeach()
        list(APPEND packed_files ${PICTURE_OUT_DIR}/${out_name}.vpx ${PICTURE_OUT_DIR}/${out_name}@2x.vpx)
        list(APPEND outputs ${PICTURE_OUT_DIR}/${stored} ${PICTURE_OUT_DIR}/${stored2x}
             ${PICTURE_OUT_DIR}/${out_name}.vpx ${PICTURE_OUT_DIR}/${out_name}@2x.vpx)
    endforeach()
    add_custom_command(
        OUTPUT ${outputs}
        ${commands}
        DEPENDS ${VARTOLIN_ARTC_DEPENDS} ${VARTOLIN_ART_DIR}/${source}
        COMMENT "Rendering ${name}"
        VERBATIM)
endforeach()

# Rewritten only when it changes, so a new catalogue row rebuilds what depends on it and nothing else.
file(CONFIGURE OUTPUT ${VARTOLIN_PICTURE_TABLE} CONTENT "${table}" @ONLY)
set_source_files_properties(${stored_files} ${packed_files} PROPERTIES GENERATED TRUE)

# Like qt_add_resources(<target> <name> PREFIX BASE FILES OPTIONS), for many megabytes of data: the
# compiler never reads the data as C++ source (a 28.7 MB file here, the slowest file of the build).
# rcc writes a small source with room for the data, which is compiled for the target as usual, and
# then copies the data into that object file itself, so any object format works (ELF, and COFF in
# the cross build) without the target's objcopy or linker. Qt 6.4's qt_add_resources has no
# BIG_RESOURCES option; its qt6_add_big_resources does these two passes from a .qrc file, written
# here. As qt_add_resources does for a static library, the object goes into every program that links
# the target: nothing refers to it, its initializer registers the resource.
function(vartolin_add_big_resources target name)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "PREFIX;BASE" "FILES;OPTIONS")
    set(qrc "<RCC>\n  <qresource prefix=\"${arg_PREFIX}\">\n")
    foreach(file IN LISTS arg_FILES)
        file(RELATIVE_PATH alias ${arg_BASE} ${file})
        string(APPEND qrc "    <file alias=\"${alias}\">${file}</file>\n")
    endforeach()
    string(APPEND qrc "  </qresource>\n</RCC>\n")
    # Named after the resource: rcc names the registration functions after the file. Rewritten
    # only when it changes, as it is an input of the build.
    set(qrc_file ${CMAKE_CURRENT_BINARY_DIR}/big_resources/${name}.qrc)
    set(old_qrc "")
    if(EXISTS ${qrc_file})
        file(READ ${qrc_file} old_qrc)
    endif()
    if(NOT old_qrc STREQUAL qrc)
        file(WRITE ${qrc_file} "${qrc}")
    endif()
    qt6_add_big_resources(objects ${qrc_file} OPTIONS ${arg_OPTIONS})
    add_custom_target(${target}_${name}_resource DEPENDS ${objects})
    # Ninja makes the object when a link needs it, since every link that takes it lists it. Other
    # generators need the order spelled out, which also holds back every compilation of the
    # target's users until the pictures are rendered.
    if(NOT CMAKE_GENERATOR MATCHES "Ninja")
        add_dependencies(${target} ${target}_${name}_resource)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "STATIC_LIBRARY")
        target_link_libraries(${target} INTERFACE ${objects})
    else()
        target_sources(${target} PRIVATE ${objects})
    endif()
endfunction()

# The program carries the packed forms only: it shows them without decoding. Nothing is compressed,
# so the packed forms are read in place.
vartolin_add_big_resources(vartolin_core pictures
    PREFIX "/pictures"
    BASE ${PICTURE_OUT_DIR}
    OPTIONS -no-compress
    FILES ${VARTOLIN_PICTURE_TABLE} ${packed_files})

# The stored PNG and BMP files, for the tests that check them: a folder of their own, so that
# they stay out of the program. Listed to targets of other folders only, which do not render them.
set(VARTOLIN_STORED_PICTURES ${stored_files} PARENT_SCOPE)
set(VARTOLIN_PICTURE_OUT_DIR ${PICTURE_OUT_DIR} PARENT_SCOPE)
set(VARTOLIN_PICTURE_TABLE ${VARTOLIN_PICTURE_TABLE} PARENT_SCOPE)
