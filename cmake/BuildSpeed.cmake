# Build speed: the Qt headers every file includes are parsed once per build instead of once per file,
# and a library's files are compiled a few at a time.
#
#   vartolin_speed_up(<target>...)
#       Gives each target that links Qt Widgets (directly or through a library of this project) the
#       precompiled Qt headers of its kind: the widgets, and Qt Test too for a test suite; a target
#       without them (the game rules, the art compiler) is left as it is. The first target of a kind
#       builds the header and the others reuse it (REUSE_FROM): they share their compile flags, set
#       for the whole project at the top; GCC checks that and warns (-Winvalid-pch) if not. The
#       static libraries among them are also built as unity builds, eight files to a compilation.
#   vartolin_qt_targets(<variable> <folder>...)
#       The library and program targets defined under the folders, for a new target to be covered
#       without naming it.
#
# Both can hide a fault: a precompiled header lets a file that forgot an include compile, and a
# unity build also lets a file see what the files before it declared (a using-directive, a helper
# of the same name that becomes an overload). So CI still builds every file on its own: the
# sanitizer build, which runs every suite, without unity builds; the package and release builds
# without either. Cross builds go without both, as they have not been tried there.

if(CMAKE_CROSSCOMPILING)
    set(speed_default OFF)
else()
    set(speed_default ON)
endif()
option(VARTOLIN_PCH "Precompile the Qt headers shared by the targets" ${speed_default})
option(VARTOLIN_UNITY "Build the Qt libraries of the project as unity builds" ${speed_default})
unset(speed_default)

# The Qt headers that many of the project's files include; each is parsed once per kind.
set(VARTOLIN_PCH_HEADERS
    <QtCore/QByteArray> <QtCore/QCoreApplication> <QtCore/QDir> <QtCore/QFile> <QtCore/QFileInfo>
    <QtCore/QHash> <QtCore/QList> <QtCore/QObject> <QtCore/QPointer> <QtCore/QProcess>
    <QtCore/QScopeGuard> <QtCore/QString> <QtCore/QStringList> <QtCore/QTimer> <QtCore/QVariant>
    <QtGui/QColor> <QtGui/QFont> <QtGui/QGuiApplication> <QtGui/QImage> <QtGui/QPainter>
    <QtGui/QPaintEvent> <QtGui/QPixmap>
    <QtWidgets/QApplication> <QtWidgets/QDialog> <QtWidgets/QLabel> <QtWidgets/QPlainTextEdit>
    <QtWidgets/QPushButton> <QtWidgets/QWidget>
    <algorithm> <functional> <memory> <stdexcept> <string> <vector>)

# Whether the target links Qt Widgets, directly or through a library target of this project.
function(_vartolin_links_widgets target out)
    set(${out} FALSE PARENT_SCOPE)
    get_target_property(type ${target} TYPE)
    set(properties INTERFACE_LINK_LIBRARIES)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
        list(APPEND properties LINK_LIBRARIES)
    endif()
    foreach(property IN LISTS properties)
        get_target_property(libraries ${target} ${property})
        foreach(library IN LISTS libraries)
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" library "${library}")
            if(library STREQUAL "Qt6::Widgets" OR library STREQUAL "Qt::Widgets")
                set(${out} TRUE PARENT_SCOPE)
                return()
            endif()
            if(TARGET ${library})
                get_target_property(imported ${library} IMPORTED)
                if(NOT imported AND NOT library STREQUAL target)
                    _vartolin_links_widgets(${library} found)
                    if(found)
                        set(${out} TRUE PARENT_SCOPE)
                        return()
                    endif()
                endif()
            endif()
        endforeach()
    endforeach()
endfunction()

function(_vartolin_links_qt_test target out)
    get_target_property(libraries ${target} LINK_LIBRARIES)
    if("Qt6::Test" IN_LIST libraries OR "Qt::Test" IN_LIST libraries)
        set(${out} TRUE PARENT_SCOPE)
    else()
        set(${out} FALSE PARENT_SCOPE)
    endif()
endfunction()

function(vartolin_speed_up)
    foreach(target IN LISTS ARGN)
        if(NOT TARGET ${target})
            message(FATAL_ERROR "vartolin_speed_up: no target ${target}")
        endif()
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            continue()
        endif()
        _vartolin_links_widgets(${target} is_widgets)
        if(NOT is_widgets)
            continue()
        endif()
        # moc reads only the target's own sources, none of which another target generates: it
        # need not wait for the libraries the target links, and with it the compilation (and the
        # precompiled header that everything waits for) need not either.
        set_target_properties(${target} PROPERTIES AUTOGEN_ORIGIN_DEPENDS OFF)
        if(VARTOLIN_UNITY AND type STREQUAL "STATIC_LIBRARY")
            set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
            # GCC takes every file of a unity build for a header, and a header's type with a member
            # of a type from an anonymous namespace for a fault; in a file of its own it is none.
            target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
        endif()
        get_target_property(own ${target} PRECOMPILE_HEADERS)
        get_target_property(reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
        if(NOT VARTOLIN_PCH OR own OR reused)
            continue() # none, or already has its headers
        endif()
        _vartolin_links_qt_test(${target} is_test)
        set(headers ${VARTOLIN_PCH_HEADERS})
        if(is_test)
            # Qt Test defines the test folder's path for its headers, so the suites of one folder
            # share a header.
            get_target_property(folder ${target} BINARY_DIR)
            string(MAKE_C_IDENTIFIER "test_${folder}" kind)
            list(APPEND headers <QtTest/QtTest>)
        else()
            set(kind widgets)
        endif()
        # The programs' sources include their own moc output, which leaves the file that gathers
        # the rest empty: reading the header there would cost more than the file.
        if(type STREQUAL "EXECUTABLE")
            get_target_property(binary_dir ${target} BINARY_DIR)
            set_source_files_properties(${binary_dir}/${target}_autogen/mocs_compilation.cpp
                TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
        endif()
        # The first target of a kind builds the header, the others reuse it.
        get_property(owner GLOBAL PROPERTY vartolin_pch_owner_${kind})
        if(owner)
            target_precompile_headers(${target} REUSE_FROM ${owner})
        else()
            target_precompile_headers(${target} PRIVATE ${headers})
            set_property(GLOBAL PROPERTY vartolin_pch_owner_${kind} ${target})
        endif()
    endforeach()
endfunction()

function(vartolin_qt_targets out)
    set(found)
    set(folders ${ARGN})
    while(folders)
        list(POP_FRONT folders folder)
        get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            list(APPEND found ${target})
        endforeach()
        get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
        list(APPEND folders ${subfolders})
    endwhile()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
