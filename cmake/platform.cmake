# Platform backends for Linux: one folder (and library) per backend under src/platform.
# A Windows build takes the Windows backends instead.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/platform-win32.cmake)
  return()
endif()
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(PLATFORM_DEPS REQUIRED IMPORTED_TARGET
  freetype2 fontconfig libturbojpeg libjpeg libpng xcb harfbuzz harfbuzz-subset zlib)
find_package(Cups REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
include(GNUInstallDirs)

# The backends' libraries (cmake/layers.txt) and what each takes from the system.
kestrel_add_layers(backends)
target_link_libraries(kestrel_raster PUBLIC PkgConfig::PLATFORM_DEPS)
target_link_libraries(kestrel_linux PUBLIC PkgConfig::PLATFORM_DEPS Threads::Threads)
# libcups and libxcb are opened when first used (platform/loader/shared_library.h):
# the backend takes only the headers of libcups, and the programs link with
# --as-needed, so that a library named but not called is not loaded at start.
target_include_directories(kestrel_linux PUBLIC ${CUPS_INCLUDE_DIRS})
add_link_options(LINKER:--as-needed)
# Where an installed program finds the desktop Ui's module, relative to its folder.
file(RELATIVE_PATH ui_module_folder ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/kestrel)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/platform/linux/ui_choice.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS KESTREL_UI_MODULE_FOLDER="${ui_module_folder}")
set_target_properties(kestrel_qt PROPERTIES AUTOMOC ON POSITION_INDEPENDENT_CODE ON)
target_link_libraries(kestrel_qt PUBLIC Qt6::Widgets PkgConfig::PLATFORM_DEPS)
# The windows call their forms' handlers through pointers to members. GCC 12's
# vptr check takes such a call on a class without virtual functions for a
# virtual one and reads a vtable that is not there (a false "invalid vptr",
# then a stack underflow under AddressSanitizer), so the views go without
# that one check; the rest of the sanitizers stay on.
if(KESTREL_SANITIZE)
  target_compile_options(kestrel_qt PRIVATE -fno-sanitize=vptr)
endif()
# The backends a Linux program links (the test doubles are not among them).
add_library(kestrel_platform INTERFACE)
target_link_libraries(kestrel_platform INTERFACE kestrel_linux)

# The desktop Ui as a module (kestrel-qt-ui.so beside the programs), opened
# only when a run chooses that Ui. It holds the windows alone: the core and
# the other backends it calls are the opening program's, which exports them
# (kestrel_ui_module_host), so that there is one of each (the text codec,
# the settings) in the process.
add_library(kestrel_qt_ui MODULE $<TARGET_OBJECTS:kestrel_qt>)
set_target_properties(kestrel_qt_ui PROPERTIES OUTPUT_NAME kestrel-qt-ui PREFIX ""
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(kestrel_qt_ui PRIVATE Qt6::Widgets PkgConfig::PLATFORM_DEPS)
# A program that opens the module: it exports its symbols and holds every
# object of the libraries the windows use, wanted by the program itself or not.
function(kestrel_ui_module_host program)
  set_target_properties(${program} PROPERTIES ENABLE_EXPORTS ON)
  set(archives)
  foreach(library kestrel_app kestrel_forms kestrel_lists kestrel_engine kestrel_fonts kestrel_pdf kestrel_util
                  kestrel_platform_api kestrel_headless)
    list(APPEND archives $<TARGET_FILE:${library}>)
  endforeach()
  target_link_options(${program} PRIVATE LINKER:--whole-archive ${archives} LINKER:--no-whole-archive)
  add_dependencies(${program} kestrel_qt_ui)
endfunction()
