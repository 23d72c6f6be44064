# `make install` and `make package`. The program and zla go to bin/; the
# decoder library and the encoder plug-in are private to the program, in
# lib/<multiarch>/quillon/, found through a run path relative to bin/.
include(GNUInstallDirs)

if(CMAKE_LIBRARY_ARCHITECTURE)
  set(QUILLON_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/quillon)
else()
  set(QUILLON_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/quillon)
endif()
file(RELATIVE_PATH bin_to_private /${CMAKE_INSTALL_BINDIR} /${QUILLON_PRIVATE_LIBDIR})

# In build/bin everything lies side by side; installed, bin/ looks into the
# private folder. Neither names the build tree. The encoder plug-in is
# dlopen'ed by its bare name after the program's folder, which searches the
# program's run path too.
set_target_properties(quillon zla PROPERTIES
  BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN/${bin_to_private}")
set_target_properties(ZLDecoder mpeg_encoder PROPERTIES BUILD_RPATH "$ORIGIN" INSTALL_RPATH "")

install(TARGETS quillon zla RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS ZLDecoder mpeg_encoder LIBRARY DESTINATION ${QUILLON_PRIVATE_LIBDIR} NAMELINK_SKIP)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillon developers <support@quillon.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound recorder with a playlist player")
# CPack puts the summary above this extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillon records from an input device while drawing the live waveform, plays
the recording back, cuts off the part after the position and saves it as
WAVE or MP3. Beside the recorder a playlist plays WAVE, MP3, FLAC, Ogg
Vorbis, Opus and ZLA files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillon.example.com/)
# Libraries by dpkg-shlibdeps; what the program starts or needs at run time
# by name. The private folder lets dpkg-shlibdeps resolve our own libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/_CPack_Packages/Linux/DEB/quillon-${PROJECT_VERSION}-Linux/usr/${QUILLON_PRIVATE_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse, pavucontrol, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
