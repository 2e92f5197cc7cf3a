# ordello_platform: our stand-ins for the platform's services (everything under platform/ but desktop/).
# Qt Core, and Qt Network for reachability.
ordello_collect_sources(sources FOLDERS platform EXCLUDE "/platform/desktop/")
add_library(ordello_platform STATIC ${sources})
ordello_watch_sources(ordello_platform)
ordello_speed_up(ordello_platform platform)
target_link_libraries(ordello_platform
    PUBLIC ordello_settings Qt6::Core Qt6::Network
    PRIVATE SQLite::SQLite3 ZLIB::ZLIB ICU::uc ICU::i18n PkgConfig::LIBICAL
            PkgConfig::CANBERRA PkgConfig::LIBSECRET PkgConfig::ENCHANT Eigen3::Eigen)

# The sound effects, copied to where the program looks for them: share/ordello/sounds beside the
# executables' folders (build/app, build/tests, ...), as in an installed program.
file(GLOB sound_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/sounds/*.oga)
foreach(sound IN LISTS sound_files)
    get_filename_component(sound_name ${sound} NAME)
    configure_file(${sound} ${PROJECT_BINARY_DIR}/share/ordello/sounds/${sound_name} COPYONLY)
endforeach()
