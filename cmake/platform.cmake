# Platform backends for Linux: one folder (and library) per backend under src/platform.
# A Windows build takes the Windows backends instead.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/platform-win32.cmake)
  return()
endif()
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(PLATFORM_DEPS REQUIRED IMPORTED_TARGET
  freetype2 fontconfig libturbojpeg libjpeg xcb harfbuzz harfbuzz-subset zlib)
find_package(Cups REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

# The backends' libraries (cmake/layers.txt) and what each takes from the system.
kestrel_add_layers(backends)
target_link_libraries(kestrel_raster PUBLIC PkgConfig::PLATFORM_DEPS)
target_link_libraries(kestrel_linux PUBLIC PkgConfig::PLATFORM_DEPS Cups::Cups Threads::Threads)
set_target_properties(kestrel_qt PROPERTIES AUTOMOC ON)
target_link_libraries(kestrel_qt PUBLIC Qt6::Widgets PkgConfig::PLATFORM_DEPS)
# The windows call their forms' handlers through pointers to members. GCC 12's
# vptr check takes such a call on a class without virtual functions for a
# virtual one and reads a vtable that is not there (a false "invalid vptr",
# then a stack underflow under AddressSanitizer), so the views go without
# that one check; the rest of the sanitizers stay on.
if(KESTREL_SANITIZE)
  target_compile_options(kestrel_qt PRIVATE -fno-sanitize=vptr)
endif()
# The backends a Linux program uses (the test doubles are not among them).
add_library(kestrel_platform INTERFACE)
target_link_libraries(kestrel_platform INTERFACE kestrel_linux kestrel_qt)
