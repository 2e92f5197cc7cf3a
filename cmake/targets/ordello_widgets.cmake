# ordello_widgets: every gui/ folder and platform/desktop/. The only target that links Qt Widgets.
ordello_collect_sources(sources
    FOLDERS foundation/gui language/gui model/gui store/gui sync/gui
            controls/gui taskviews/gui app/gui auxiliary/gui platform/desktop)
add_library(ordello_widgets STATIC ${sources} ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
ordello_watch_sources(ordello_widgets)
ordello_speed_up(ordello_widgets widgets)
target_link_libraries(ordello_widgets PUBLIC ordello_presentation Qt6::Widgets Qt6::DBus Qt6::PrintSupport Qt6::Pdf
                      PkgConfig::XCBKEYS)
