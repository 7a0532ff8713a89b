// gl_drawing_area.cpp - the OpenGL drawing area used for previews.
//
// A GLw drawing area "glwidget" with an RGBA, double-buffered visual. When
// its window is created, init_GL_widget makes a direct GLX context for the
// widget's visual, hands it to the caller through the context cell and
// makes it current, so the caller's expose callback can draw at once. A
// program that cannot get a context cannot show its previews at all and
// quits.
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>
#include <GL/gl.h>
#include <GL/glx.h>
// Mesa's GLAPI lacks "extern" in C++, which would turn the widget class
// declaration below into a null definition of our own.
#undef GLAPI
#define GLAPI extern
#include <GL/GLwMDrawA.h>

#include <cstdio>
#include <cstdlib>

#include "wm_state.h"

extern "C" {

void init_GL_widget(Widget w, XtPointer context_cell, XtPointer) try {
  XVisualInfo* visual = nullptr;
  XtVaGetValues(w, GLwNvisualInfo, &visual, nullptr);
  GLXContext context = visual ? glXCreateContext(XtDisplay(w), visual, nullptr, True) : nullptr;
  if (!context) {
    fprintf(stderr, "init_GL_widget: couldn't get GL context. Quitting...\n");
    exit(0);
  }
  if (context_cell) *static_cast<GLXContext*>(context_cell) = context;
  glXMakeCurrent(XtDisplay(w), XtWindow(w), context);
} catch (...) {
  wm::ReportEscapedException("init_GL_widget");
}

Widget WMGLDrawingArea(int width, int height, XtCallbackProc expose_callback, XtPointer expose_data,
                       XtCallbackProc input_callback, XtPointer input_data, void* context_cell) try {
  if (!wm::gWM.current_form) return nullptr;
  Arg args[5];
  Cardinal n = 0;
  XtSetArg(args[n], XmNwidth, width > 0 ? width : 1); ++n;
  XtSetArg(args[n], XmNheight, height > 0 ? height : 1); ++n;
  XtSetArg(args[n], GLwNrgba, True); ++n;
  XtSetArg(args[n], GLwNdoublebuffer, True); ++n;
  XtSetArg(args[n], XmNtraversalOn, input_callback ? True : False); ++n;
  Widget area = XtCreateWidget("glwidget", glwMDrawingAreaWidgetClass, wm::gWM.current_form, args, n);
  XtAddCallback(area, GLwNginitCallback, init_GL_widget, context_cell);
  if (expose_callback) XtAddCallback(area, GLwNexposeCallback, expose_callback, expose_data);
  if (input_callback) XtAddCallback(area, GLwNinputCallback, input_callback, input_data);
  wm::PlaceItem(area);
  wm::RegisterItem(area, WM_KIND_DRAWING_AREA);
  return area;
} catch (...) {
  wm::ReportEscapedException("WMGLDrawingArea");
  return {};
}

}  // extern "C"
