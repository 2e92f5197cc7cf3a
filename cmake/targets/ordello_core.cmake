# ordello_core: the headless program (foundation, language, model, store, sync outside their gui/
# folders). Qt Core, Gui (colours, fonts, rich text) and Network; never Widgets.
ordello_collect_sources(sources FOLDERS foundation language model store sync EXCLUDE "/gui/")
file(GLOB_RECURSE core_resources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/core/*)
add_library(ordello_core STATIC ${sources})
ordello_watch_sources(ordello_core)
ordello_speed_up(ordello_core core)
target_link_libraries(ordello_core
    PUBLIC ordello_platform Qt6::Core Qt6::Gui Qt6::Network
    PRIVATE SQLite::SQLite3 ZLIB::ZLIB PkgConfig::LIBDEFLATE ICU::uc ICU::i18n PkgConfig::FONTCONFIG)
if(core_resources)
    qt_add_resources(ordello_core "ordello_core_resources"
        PREFIX "/"
        BASE ${PROJECT_SOURCE_DIR}/resources/core
        FILES ${core_resources})
endif()
