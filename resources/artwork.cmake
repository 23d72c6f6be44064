# Bitmaps and icons by number. The PNGs are drawn by tools/make_artwork and
# committed; to draw them again:
#   cmake --build build --target make_artwork
#   build/bin/make_artwork resources/artwork data/icons/hicolor
find_package(Qt6 REQUIRED COMPONENTS Gui)
target_sources(resources PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/artwork.cpp
  ${CMAKE_CURRENT_LIST_DIR}/artwork.h
  ${CMAKE_CURRENT_LIST_DIR}/artwork/artwork.qrc)
target_link_libraries(resources PUBLIC Qt6::Gui)
