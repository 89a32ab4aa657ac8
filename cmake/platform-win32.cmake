# Platform backends for Windows (mingw-w64): the Win32 backends and the
# headless Ui they fall back on. Programs are linked statically (no runtime
# DLLs to ship besides the system's).
kestrel_add_layers(backends kestrel_headless)
kestrel_add_layers(windows)
target_link_libraries(kestrel_win32 PUBLIC windowscodecs ole32 oleaut32 uuid shell32 comctl32 winspool gdi32 user32)
add_link_options(-static -s)
add_library(kestrel_platform INTERFACE)
target_link_libraries(kestrel_platform INTERFACE kestrel_win32)
