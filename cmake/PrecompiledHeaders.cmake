include(${CMAKE_CURRENT_LIST_DIR}/CompileTargets.cmake)

# qs_precompiled_headers(<directory>...): the targets under these directories read the headers
# nearly every batch includes (the standard library's, Qt Core's, Qt Widgets' and GoogleTest's)
# from one precompiled header of four, made once per build, instead of parsing them in every
# batch. Which one a target takes follows what it links: a test program linked with the widget
# stand-ins takes the widget tests' header, and so on; a header holds nothing its target could
# not include itself, so the fences between libraries stay as they are.
#
# ccache cannot reuse a compile that read a precompiled header made in another build, so a
# build through a compiler launcher goes without: a clean build (CI, a first build) gains most.
if(CMAKE_CXX_COMPILER_LAUNCHER)
    set(qs_pch_default OFF)
else()
    set(qs_pch_default ON)
endif()
option(QS_PRECOMPILED_HEADERS "Read common headers from precompiled headers" ${qs_pch_default})

set(QS_PCH_CORE_HEADERS
    <algorithm> <functional> <memory> <optional> <vector>
    <QCoreApplication> <QDateTime> <QDir> <QFile> <QHash> <QLocale> <QObject> <QPointer>
    <QString> <QStringList> <QTimeZone> <QTimer> <QUuid>)
set(QS_PCH_WIDGETS_HEADERS
    <QApplication> <QBoxLayout> <QComboBox> <QLabel> <QLineEdit> <QListView> <QMenu>
    <QPainter> <QPushButton> <QToolButton> <QWidget>)

# One small target per header: the others reuse what it compiled.
function(qs_pch_owner name)
    cmake_parse_arguments(ARG "" "" "LIBS;HEADERS" ${ARGN})
    set(source "${CMAKE_BINARY_DIR}/qs-pch/${name}.cpp")
    file(WRITE "${source}" "// The owner of a precompiled header; it compiles nothing of its own.\n")
    add_library(${name} OBJECT "${source}")
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_precompile_headers(${name} PRIVATE ${ARG_HEADERS})
endfunction()

function(qs_precompiled_headers)
    if(NOT QS_PRECOMPILED_HEADERS)
        return()
    endif()
    if(NOT TARGET qs_pch_core)
        qs_pch_owner(qs_pch_core LIBS Qt6::Core HEADERS ${QS_PCH_CORE_HEADERS})
        qs_pch_owner(qs_pch_widgets LIBS Qt6::Widgets
                     HEADERS ${QS_PCH_CORE_HEADERS} ${QS_PCH_WIDGETS_HEADERS})
        if(TARGET GTest::gtest)
            qs_pch_owner(qs_pch_tests LIBS Qt6::Core GTest::gtest
                         HEADERS ${QS_PCH_CORE_HEADERS} <gtest/gtest.h>)
            qs_pch_owner(qs_pch_widget_tests LIBS Qt6::Widgets GTest::gtest
                         HEADERS ${QS_PCH_CORE_HEADERS} ${QS_PCH_WIDGETS_HEADERS}
                                 <gtest/gtest.h>)
        endif()
    endif()
    qs_compile_targets(targets ${ARGN})
    foreach(target IN LISTS targets)
        # A target built with other code-generation options cannot read the header.
        get_target_property(options ${target} COMPILE_OPTIONS)
        if(options MATCHES "-fno-sanitize=")
            continue()
        endif()
        get_target_property(libraries ${target} LINK_LIBRARIES)
        if(NOT libraries)
            set(libraries "")
        endif()
        if("qs_test_widgets" IN_LIST libraries AND TARGET qs_pch_widget_tests)
            set(owner qs_pch_widget_tests)
        elseif("qs_test_core" IN_LIST libraries AND TARGET qs_pch_tests)
            set(owner qs_pch_tests)
        elseif("Qt6::Widgets" IN_LIST libraries)
            set(owner qs_pch_widgets)
        elseif(libraries MATCHES "Qt6::|qs_")
            set(owner qs_pch_core)
        else()
            continue()
        endif()
        target_precompile_headers(${target} REUSE_FROM ${owner})
    endforeach()
endfunction()
