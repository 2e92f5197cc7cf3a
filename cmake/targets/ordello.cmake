# ordello: the executable, which parses arguments, builds the composition root and runs the event loop.
add_executable(ordello ${PROJECT_SOURCE_DIR}/app/main.cpp)
set_target_properties(ordello PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/app)
target_link_libraries(ordello PRIVATE ordello_widgets)

# The desktop entry (the program, its icon and the "ordello:" links) and the icon, installed and also
# copied under build/share, beside the executables' folders, as in an installed program.
set(desktop_entry ${PROJECT_SOURCE_DIR}/resources/ordello.desktop)
set(program_icon ${PROJECT_SOURCE_DIR}/resources/icons/ordello.svg)
configure_file(${desktop_entry} ${PROJECT_BINARY_DIR}/share/applications/ordello.desktop COPYONLY)
configure_file(${program_icon} ${PROJECT_BINARY_DIR}/share/icons/hicolor/scalable/apps/ordello.svg COPYONLY)
include(GNUInstallDirs)
install(TARGETS ordello RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${desktop_entry} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${program_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${PROJECT_BINARY_DIR}/share/ordello DESTINATION ${CMAKE_INSTALL_DATADIR})
# The scripting interfaces, for bus browsers and bindings that read introspection files.
file(GLOB dbus_interfaces CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/dbus/*.xml)
install(FILES ${dbus_interfaces} DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/interfaces)

# The help pages, found by the program in share/ordello/help beside its folder, as the sounds are.
file(GLOB help_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/help/*)
foreach(page IN LISTS help_pages)
    get_filename_component(page_name ${page} NAME)
    configure_file(${page} ${PROJECT_BINARY_DIR}/share/ordello/help/${page_name} COPYONLY)
endforeach()

# Quick entry's import scripts, found in "share/ordello/Import Scripts" beside the program's folder.
file(GLOB import_scripts CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/Import Scripts/*")
file(COPY ${import_scripts} DESTINATION "${PROJECT_BINARY_DIR}/share/ordello/Import Scripts")
install(PROGRAMS ${import_scripts} DESTINATION "${CMAKE_INSTALL_DATADIR}/ordello/Import Scripts")
