#pragma once

#include <QString>

#include "annotations/AnnotationEdits.h"
#include "interaction/TierStripInput.h"

class QFrame;

namespace tonalyx {

class PaintBox;
class TierStripView;

// The main window's annotations: the grid being edited with its undo history, the strip's
// focus, selection and drag, the file it was read from or last saved to, and the strip's
// controls (owned by the window).
struct AnnotationPane {
    AnnotationEditor editor;
    TierStripInput input{editor};
    bool open = false;
    QString path;     // empty for annotations never saved
    int grownBy = 0;  // the height the window grew by for the strip
    QFrame* panel = nullptr;
    PaintBox* names = nullptr;
    TierStripView* view = nullptr;
};

}  // namespace tonalyx
