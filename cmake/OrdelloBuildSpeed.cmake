# What keeps a full build within a two-core machine's budget: precompiled headers (one set per target,
# shared by the test executables of a layer), unity batches, and ccache when it is installed.
#
# A unity batch compiles several sources as one, so two of them with the same file-local name (a constant
# or helper in an anonymous namespace, a `using` alias) no longer compile together: the compiler says
# "redefinition of ... {anonymous}::name" or "reference to ... is ambiguous". Either give one of the
# names a more particular spelling, or add the source to ordello_unity_excluded below and run
# scripts/unity_apart.py: excluded sources go into batches of their own where no two share a file-local
# name (cmake/OrdelloUnityApart.cmake), or compile alone. Batches follow the sorted
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
# predefined macros may be ignored; the launcher passes that along, whoever chose ccache. A precompiled
# header records the absolute paths of what it includes, so a result made in another checkout (which a
# configured base directory would offer) breaks `#pragma once` here: results stay within one checkout.
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
                "CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime" "CCACHE_BASEDIR="
                ${launcher})
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
    app/gui/application_menus.cpp
    app/gui/file_dialog_library_chooser.cpp
    app/gui/goto_view_controller.cpp
    app/gui/tab_control.cpp
    app/gui/tag_button.cpp
    app/gui/tag_filter_view_controller.cpp
    app/toolbar_layout.cpp
    auxiliary/gui/application_preferences.cpp
    auxiliary/gui/general_preferences_pane.cpp
    auxiliary/gui/keyboard_preferences_pane.cpp
    auxiliary/gui/preference_icons.cpp
    auxiliary/gui/preferences_controller.cpp
    auxiliary/gui/support_window.cpp
    auxiliary/gui/timer_lcd_view.cpp
    auxiliary/gui/timer_menu_items.cpp
    auxiliary/gui/timer_window.cpp
    auxiliary/timer_window_controller.cpp
    bench/source_list_bench.cpp
    bench/tasks_controller_bench.cpp
    controls/gui/action_button.cpp
    controls/gui/colored_checkbox_button_cell.cpp
    controls/gui/control_images.cpp
    controls/gui/date_picker.cpp
    controls/gui/function_bar.cpp
    controls/gui/image_and_text_cell.cpp
    foundation/color_additions.cpp
    foundation/constants.cpp
    foundation/email_parser.cpp
    foundation/string_additions.cpp
    language/abbreviation_scoring.cpp
    language/natural_date_reader.cpp
    language/natural_language_time_interval_value_transformer.cpp
    language/recurrence_days.cpp
    language/text_scanner.cpp
    model/distinct_task_tally.cpp
    model/group.cpp
    model/json_friendly.cpp
    model/library_object_dictionary.cpp
    model/natural_language_recurrence_rule_value_transformer.cpp
    model/recurrence_rule.cpp
    model/recurrence_rule_archiving.cpp
    model/rule_archiving.cpp
    model/rule_condition.cpp
    model/rule_predicate_translator.cpp
    model/smart_folder.cpp
    model/task.cpp
    model/task_dictionary.cpp
    model/task_notes.cpp
    model/task_tags.cpp
    platform/calendarstore/calendar_store.cpp
    platform/calendarstore/calendar_task.cpp
    platform/defaults/host_defaults.cpp
    platform/defaults/user_defaults.cpp
    platform/desktop/bus/hand_over_arguments.cpp
    platform/desktop/bus/instance_service.cpp
    platform/desktop/bus/object_path_element.cpp
    platform/files/file_reference.cpp
    platform/keychain/keychain.cpp
    platform/lsm/semantic_map.cpp
    platform/objectstore/managed_object_context.cpp
    platform/objectstore/persistent_store_coordinator.cpp
    platform/plist/binary_property_list_reader.cpp
    platform/plist/keyed_archive.cpp
    platform/plist/xml_property_list_writer.cpp
    platform/predicates/expression.cpp
    platform/predicates/predicate_parser.cpp
    platform/transformers/value_transformer.cpp
    store/gui/import_window_controller.cpp
    store/importer.cpp
    store/library_backup_reader.cpp
    store/library_data_upgrade.cpp
    store/library_files_aside.cpp
    store/library_fix_operation.cpp
    store/library_manager.cpp
    store/library_migration.cpp
    store/library_opening_errors.cpp
    store/library_package_swap.cpp
    store/migration_policies.cpp
    store/property_list_library_restore_operation.cpp
    store/store_file_copy.cpp
    sync/calendar_store_sync_operation.cpp
    sync/corvane_download_check.cpp
    sync/corvane_errors.cpp
    sync/corvane_full_sync_alert.cpp
    sync/corvane_full_sync_operation.cpp
    sync/corvane_merge.cpp
    sync/corvane_task_get_operation.cpp
    sync/corvane_url.cpp
    sync/full_sync_window_controller.cpp
    sync/gui/calendar_sync_preference_pane.cpp
    sync/gui/corvane_sync_preference_pane.cpp
    sync/ical_backup_operation.cpp
    taskviews/card_facts.cpp
    taskviews/file_attachment_actions.cpp
    taskviews/gui/card_view.cpp
    taskviews/gui/cell_picture_cache.cpp
    taskviews/gui/completion_balloons.cpp
    taskviews/gui/file_attachment_object.cpp
    taskviews/gui/recurrence_edit_view.cpp
    taskviews/gui/single_task_view.cpp
    taskviews/gui/task_info_text_field.cpp
    taskviews/gui/task_info_view.cpp
    taskviews/gui/tasks_header_view.cpp
    taskviews/gui/tasks_view.cpp
    taskviews/gui/tasks_view_drawing.cpp
    taskviews/gui/tasks_view_mouse.cpp
    taskviews/notes_comparison.cpp
    taskviews/recurrence_edit_controller.cpp
    taskviews/task_cell_values.cpp
    taskviews/task_drop_validation.cpp
    taskviews/task_info_controller.cpp
    taskviews/task_menus.cpp
    taskviews/task_pasteboard.cpp
    taskviews/task_sections.cpp
    taskviews/task_title_styling.cpp
    taskviews/tasks_controller_filtering.cpp
    taskviews/tasks_controller_moving.cpp
    taskviews/tasks_controller_view_options.cpp
    taskviews/today_section_predicate.cpp
    tests/app/groups_commands_test.cpp
    tests/app/gui/tag_filter_bar_test.cpp
    tests/app/smart_folder_sheet_test.cpp
    tests/app/tab_list_test.cpp
    tests/app/toolbar_layout_test.cpp
    tests/auxiliary/timer_window_controller_test.cpp
    tests/controls/outline_view_item_enumerator_test.cpp
    tests/foundation/string_additions_test.cpp
    tests/language/date_transformers_test.cpp
    tests/model/ordered_collection_test.cpp
    tests/model/recurrence_next_date_test.cpp
    tests/model/recurrence_rule_test.cpp
    tests/model/recurrence_test.cpp
    tests/model/recurrence_text_test.cpp
    tests/model/recurring_copies_test.cpp
    tests/model/rule_archiving_test.cpp
    tests/model/rule_predicate_translator_test.cpp
    tests/model/rule_test.cpp
    tests/model/smart_folder_test.cpp
    tests/model/sort_key_cache_test.cpp
    tests/model/task_dictionary_test.cpp
    tests/platform/calendarstore/calendar_task_test.cpp
    tests/platform/objectstore/merge_test.cpp
    tests/platform/objectstore/migration_test.cpp
    tests/platform/objectstore/object_model_test.cpp
    tests/platform/objectstore/persistence_test.cpp
    tests/platform/objectstore/relationship_test.cpp
    tests/platform/objectstore/store_safety_test.cpp
    tests/platform/objectstore/value_index_test.cpp
    tests/platform/plist/keyed_archive_test.cpp
    tests/platform/predicates/predicate_parser_test.cpp
    tests/platform/predicates/sort_descriptor_test.cpp
    tests/platform/reachability/network_reachability_test.cpp
    tests/platform/sound/sound_test.cpp
    tests/scenarios/task_deletion_scenarios_test.cpp
    tests/scenarios/timer_scenarios_test.cpp
    tests/store/library_operation_test.cpp
    tests/store/library_repair_test.cpp
    tests/store/library_restore_test.cpp
    tests/store/library_saving_test.cpp
    tests/store/standard_library_migration_delegate_test.cpp
    tests/sync/calendar_sync_pass_test.cpp
    tests/sync/full_sync_window_test.cpp
    tests/sync/merge_mends_test.cpp
    tests/sync/merge_upload_test.cpp
    tests/sync/sync_hooks_test.cpp
    tests/sync/sync_operation_fixture.cpp
    tests/sync/sync_operation_test.cpp
    tests/sync/sync_settings_test.cpp
    tests/sync/transport_alternate_url_test.cpp
    tests/sync/transport_errors_test.cpp
    tests/sync/two_machines_sync_test.cpp
    tests/taskviews/gui/tasks_view_starting_edits_test.cpp
    tests/taskviews/print_pagination_test.cpp
    tests/taskviews/spelling_test.cpp
    tests/taskviews/task_cell_values_test.cpp
    tests/taskviews/task_info_controller_test.cpp
    tests/taskviews/task_menus_test.cpp
    tests/taskviews/task_title_styling_test.cpp
    tests/taskviews/tasks_controller_grouping_test.cpp
    tests/taskviews/tasks_controller_task_commands_test.cpp
    tests/taskviews/today_section_predicate_test.cpp
)

include(${CMAKE_CURRENT_LIST_DIR}/OrdelloUnityApart.cmake)
set(ordello_unity_apart_index 0)
foreach(line IN LISTS ordello_unity_apart_batches)
    string(REPLACE "," ";" members "${line}")
    foreach(member IN LISTS members)
        string(MAKE_C_IDENTIFIER "${member}" id)
        set(ordello_unity_apart_of_${id} ${ordello_unity_apart_index})
    endforeach()
    math(EXPR ordello_unity_apart_index "${ordello_unity_apart_index} + 1")
endforeach()

# Puts the target's sources in batches (in the directory that defines it): in the order the target lists
# them, ORDELLO_UNITY_BATCH_SIZE at a time; the excluded ones in their batches apart, or alone.
function(ordello_batch_sources target)
    get_target_property(sources ${target} SOURCES)
    set(count 0)
    foreach(source IN LISTS sources)
        if(NOT source MATCHES "\\.(c|cpp|cxx)$")
            continue()
        endif()
        get_filename_component(absolute "${source}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        file(RELATIVE_PATH relative "${PROJECT_SOURCE_DIR}" "${absolute}")
        string(MAKE_C_IDENTIFIER "${relative}" id)
        get_source_file_property(taken ${source} UNITY_GROUP)
        if(taken)
            # Listed by two targets: a batch of one could hold a neighbour of the other.
            set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
        elseif(relative IN_LIST ordello_unity_excluded)
            if(DEFINED ordello_unity_apart_of_${id})
                set_source_files_properties(${source} PROPERTIES UNITY_GROUP apart_${ordello_unity_apart_of_${id}})
            else()
                set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
            endif()
        else()
            math(EXPR batch "${count} / ${ORDELLO_UNITY_BATCH_SIZE}")
            set_source_files_properties(${source} PROPERTIES UNITY_GROUP batch_${batch})
            math(EXPR count "${count} + 1")
        endif()
    endforeach()
endfunction()

# Batches the target's sources and gives it the precompiled headers of its layer (platform, core,
# presentation or widgets), with those of the tests when TESTING is given.
function(ordello_speed_up target layer)
    cmake_parse_arguments(ARG "TESTING" "" "" ${ARGN})
    set_target_properties(${target} PROPERTIES
        UNITY_BUILD ${ORDELLO_UNITY_BUILD}
        UNITY_BUILD_MODE GROUP)
    ordello_batch_sources(${target})
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
        UNITY_BUILD_MODE GROUP)
    ordello_batch_sources(${target})
    if(ORDELLO_PRECOMPILE_HEADERS)
        target_precompile_headers(${target} REUSE_FROM ${donor})
    endif()
endfunction()
