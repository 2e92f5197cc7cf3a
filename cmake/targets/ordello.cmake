# ordello: the executable, which parses arguments, builds the composition root and runs the event loop.
add_executable(ordello ${PROJECT_SOURCE_DIR}/app/main.cpp)
set_target_properties(ordello PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/app)
target_link_libraries(ordello PRIVATE ordello_widgets)
