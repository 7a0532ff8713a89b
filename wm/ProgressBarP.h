// ProgressBarP.h - the progress bar widget's records (see ProgressBar.h).
#pragma once

#include <Xm/Xm.h>  // first: it fixes the layout of the primitive part
#include <Xm/PrimitiveP.h>

#include "ProgressBar.h"

struct ProgressBarClassPart {
  XtPointer extension;  // unused
};

struct ProgressBarClassRec {
  CoreClassPart core_class;
  XmPrimitiveClassPart primitive_class;
  ProgressBarClassPart progress_class;
};

extern "C" {
extern ProgressBarClassRec progressBarClassRec;
}

struct ProgressBarPart {
  int value;                   // the value shown
  int minimum;                 // value of an empty bar
  int maximum;                 // value of a full bar
  Boolean show_value;          // write the percentage on the bar
  Pixel bar_color;             // colour of the filled part
  XmRenderTable render_table;  // font of the percentage (owned copy)
  GC bar_gc;                   // fills the bar (owned)
  GC trough_gc;                // fills the empty part (owned)
  GC text_gc;                  // draws the percentage (owned)
};

struct ProgressBarRec {
  CorePart core;
  XmPrimitivePart primitive;
  ProgressBarPart progress;
};

using ProgressBarWidget = ProgressBarRec*;
