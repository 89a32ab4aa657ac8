# Platform backends for Linux: one folder per backend under src/platform.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(PLATFORM_DEPS REQUIRED IMPORTED_TARGET
  cairo freetype2 fontconfig libturbojpeg libjpeg xcb)
find_package(Cups REQUIRED)

set(platform_sources)
foreach(d headless linux recording raster)
  file(GLOB_RECURSE s CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/${d}/*.cpp)
  list(APPEND platform_sources ${s})
endforeach()
file(GLOB s CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/*.cpp)
list(APPEND platform_sources ${s})
add_library(kestrel_platform STATIC ${platform_sources})
target_include_directories(kestrel_platform PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kestrel_platform PUBLIC kestrel_core PkgConfig::PLATFORM_DEPS Cups::Cups Threads::Threads)
