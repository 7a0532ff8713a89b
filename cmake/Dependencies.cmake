# Outside libraries: X11, Xt and Motif for every window, GLw for the GL drawing
# area, cairo for the chart's anti-aliased text, XmHTML for the help viewer,
# FFTW for the stage motion's spectra, nlohmann-json for the batch report.
# Motif has no pkg-config file; FindMotif finds libXm.
find_package(X11 REQUIRED)
find_package(Motif REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(GLW REQUIRED IMPORTED_TARGET glw)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo-xlib fontconfig)
pkg_check_modules(FFTW REQUIRED IMPORTED_TARGET fftw3)
find_package(nlohmann_json 3 REQUIRED)

find_path(XMHTML_INCLUDE_DIR XmHTML/XmHTML.h)
find_library(XMHTML_LIBRARY XmHTML)

add_library(motif_deps INTERFACE)
target_include_directories(motif_deps INTERFACE ${MOTIF_INCLUDE_DIR})
target_link_libraries(motif_deps INTERFACE ${MOTIF_LIBRARIES}
  X11::Xt X11::Xext X11::Xmu X11::Xpm X11::X11)
