#pragma once

#include <string>
#include <vector>

#include "settings/OverlaySettings.h"

class QWidget;

namespace tonalyx {

class PageControl;

// The options dialog's page of the formant and intensity overlays: ceiling (a number or
// "auto"), formants per frame, window, time step (a number or "auto"), pre-emphasis, tracking
// of F1-F3, and the intensity's minimum pitch. Its fields are fieldWidth pixels wide, as those
// of the other pages. Returns the page's index.
int AddOverlayPage(PageControl& pages, int fieldWidth);

// Sets the page's controls (found by name under form) from the settings.
void WriteOverlayControls(QWidget& form, const OverlaySettings& settings);

// Reads the page's controls over settings (the View toggles are left alone). A text that is
// not a number, and every value the shared check refuses, gives a refusal in the page's words;
// settings is changed only when there is none.
std::vector<std::string> ReadOverlayControls(const QWidget& form, OverlaySettings& settings);

}  // namespace tonalyx
