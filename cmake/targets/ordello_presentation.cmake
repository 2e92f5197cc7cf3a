# ordello_presentation: the controllers and item models of the windows (controls, taskviews, app and
# auxiliary outside their gui/ folders). Qt Core and Gui; never Widgets, so their tests need no window.
ordello_collect_sources(sources FOLDERS controls taskviews app auxiliary EXCLUDE "/gui/" "/app/main.cpp$")
add_library(ordello_presentation STATIC ${sources} ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
ordello_watch_sources(ordello_presentation)
ordello_speed_up(ordello_presentation presentation)
target_link_libraries(ordello_presentation PUBLIC ordello_core Qt6::Core Qt6::Gui)
