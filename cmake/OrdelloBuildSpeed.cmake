# What keeps a full build within a two-core machine's budget: precompiled headers (one set per target,
# shared by the test executables of a layer), unity batches, and ccache when it is installed.
#
# A unity batch compiles several sources as one, so two of them with the same file-local name (a constant
# or helper in an anonymous namespace, a `using` alias) no longer compile together: the compiler says
# "redefinition of ... {anonymous}::name" or "reference to ... is ambiguous". Either give one of the
# names a more particular spelling, or add the source to ordello_unity_excluded below: that sets
# SKIP_UNITY_BUILD_INCLUSION on it in every target, so it compiles on its own. Batches follow the sorted
# source lists, so a new file can bring two old ones together; the same line mends that.
# A build without batches or precompiled headers (-DORDELLO_UNITY_BUILD=OFF -DORDELLO_PRECOMPILE_HEADERS=OFF)
# shows a source that only compiles thanks to what its neighbours include.

# moc reads only sources and headers, never what another target builds: a target's moc step need not
# wait for its libraries to be built, so tests compile while the layers below them still link.
set(CMAKE_AUTOGEN_ORIGIN_DEPENDS OFF)

option(ORDELLO_UNITY_BUILD "Compile each target's sources in batches" ON)
# Eight keeps most targets at more batches than a small machine has cores.
set(ORDELLO_UNITY_BATCH_SIZE 8 CACHE STRING "Sources per unity batch")
option(ORDELLO_PRECOMPILE_HEADERS "Precompile the headers most sources include" ON)
option(ORDELLO_USE_CCACHE "Compile through ccache when it is installed" ON)

# ccache only reuses results built with a precompiled header when told that the header's timestamps and
# predefined macros may be ignored; the launcher passes that along, whoever chose ccache.
if(ORDELLO_USE_CCACHE)
    foreach(lang C CXX)
        set(launcher "${CMAKE_${lang}_COMPILER_LAUNCHER}")
        if(NOT launcher)
            find_program(ORDELLO_CCACHE ccache)
            set(launcher "${ORDELLO_CCACHE}")
        endif()
        if(launcher MATCHES "(^|/)ccache$")
            set(CMAKE_${lang}_COMPILER_LAUNCHER
                ${CMAKE_COMMAND} -E env
                "CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime" ${launcher})
        endif()
    endforeach()
endif()

set(ordello_pch_platform
    <algorithm> <functional> <memory> <optional> <vector>
    <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QList> <QObject> <QSet> <QString>
    <QStringList> <QVariant> <QVariantMap>
    ${PROJECT_SOURCE_DIR}/platform/base/error.h
    ${PROJECT_SOURCE_DIR}/platform/base/log.h)
set(ordello_pch_core ${ordello_pch_platform}
    <cmath> <QCoreApplication>
    ${PROJECT_SOURCE_DIR}/platform/base/clock.h
    ${PROJECT_SOURCE_DIR}/platform/defaults/user_defaults.h
    ${PROJECT_SOURCE_DIR}/platform/objectstore/managed_object_context.h
    ${PROJECT_SOURCE_DIR}/model/library.h
    ${PROJECT_SOURCE_DIR}/model/task.h
    ${PROJECT_SOURCE_DIR}/model/group.h
    ${PROJECT_SOURCE_DIR}/model/managed_object_context.h)
set(ordello_pch_presentation ${ordello_pch_core}
    ${PROJECT_SOURCE_DIR}/model/ordered_collection.h
    ${PROJECT_SOURCE_DIR}/platform/undo/undo_manager.h
    ${PROJECT_SOURCE_DIR}/taskviews/tasks_controller.h)
set(ordello_pch_widgets ${ordello_pch_presentation}
    <QApplication> <QKeyEvent> <QLabel> <QMenu> <QMouseEvent> <QPainter> <QPainterPath> <QWidget>)
set(ordello_pch_testing <QSignalSpy> <QTest> <gtest/gtest.h> ${PROJECT_SOURCE_DIR}/tests/support/test_environment.h)

# Sources compiled on their own, outside the unity batches (paths from the project root).
set(ordello_unity_excluded
    app/gui/tab_control.cpp
    app/gui/tag_button.cpp
    model/group.cpp
    model/recurrence_rule.cpp
    model/recurrence_rule_archiving.cpp
    model/task_dictionary.cpp
    model/task_notes.cpp
    platform/defaults/user_defaults.cpp
    platform/plist/xml_property_list_writer.cpp
    store/importer.cpp
    store/library_backup_reader.cpp
    store/library_data_upgrade.cpp
    store/library_files_aside.cpp
    store/library_manager.cpp
    sync/corvane_download_check.cpp
    sync/corvane_merge.cpp
    sync/corvane_task_get_operation.cpp
    taskviews/file_attachment_actions.cpp
    taskviews/gui/cell_picture_cache.cpp
    taskviews/gui/recurrence_edit_view.cpp
    taskviews/gui/tasks_header_view.cpp
    taskviews/gui/tasks_view_drawing.cpp
    tests/language/date_transformers_test.cpp
    tests/model/recurring_copies_test.cpp
    tests/platform/calendarstore/calendar_task_test.cpp
    tests/platform/objectstore/merge_test.cpp
    tests/platform/objectstore/relationship_test.cpp
    tests/platform/objectstore/store_safety_test.cpp
    tests/platform/predicates/predicate_parser_test.cpp
    tests/platform/predicates/sort_descriptor_test.cpp
    tests/platform/reachability/network_reachability_test.cpp
    tests/platform/sound/sound_test.cpp
    tests/store/library_operation_test.cpp
    tests/store/library_repair_test.cpp
    tests/store/library_restore_test.cpp
    tests/sync/calendar_sync_pass_test.cpp
    tests/sync/merge_mends_test.cpp
    tests/sync/merge_upload_test.cpp
    tests/sync/sync_hooks_test.cpp
    tests/sync/sync_operation_fixture.cpp
    tests/sync/sync_settings_test.cpp
    tests/sync/transport_errors_test.cpp
    tests/taskviews/task_title_styling_test.cpp
)

# Takes the excluded sources of the target out of its batches (in the directory that defines it).
function(ordello_exclude_from_batches target)
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
        foreach(excluded IN LISTS ordello_unity_excluded)
            if(source STREQUAL "${PROJECT_SOURCE_DIR}/${excluded}")
                set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
            endif()
        endforeach()
    endforeach()
endfunction()

# Batches the target's sources and gives it the precompiled headers of its layer (platform, core,
# presentation or widgets), with those of the tests when TESTING is given.
function(ordello_speed_up target layer)
    cmake_parse_arguments(ARG "TESTING" "" "" ${ARGN})
    set_target_properties(${target} PROPERTIES
        UNITY_BUILD ${ORDELLO_UNITY_BUILD}
        UNITY_BUILD_BATCH_SIZE ${ORDELLO_UNITY_BATCH_SIZE})
    ordello_exclude_from_batches(${target})
    if(ORDELLO_PRECOMPILE_HEADERS)
        set(headers ${ordello_pch_${layer}})
        if(ARG_TESTING)
            list(APPEND headers ${ordello_pch_testing})
        endif()
        target_precompile_headers(${target} PRIVATE ${headers})
    endif()
endfunction()

# Batches the target's sources and reuses the precompiled headers of another target that is built with
# the same flags (the test executables of a layer share those of its test main).
function(ordello_speed_up_like target donor)
    set_target_properties(${target} PROPERTIES
        UNITY_BUILD ${ORDELLO_UNITY_BUILD}
        UNITY_BUILD_BATCH_SIZE ${ORDELLO_UNITY_BATCH_SIZE})
    ordello_exclude_from_batches(${target})
    if(ORDELLO_PRECOMPILE_HEADERS)
        target_precompile_headers(${target} REUSE_FROM ${donor})
    endif()
endfunction()
