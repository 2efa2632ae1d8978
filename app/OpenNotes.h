#pragma once

#include <QString>

#include "requests/CommandView.h"

namespace tonalyx {

// What an open changed in the sound it shows, in one line for the status bar: a sound cut to
// the Max length of sound ("Read the first 120.0 s of 400.0 s (Max length of sound 120 s)"), a file
// that decodes to less than its header claims, a data size left unset, a stream read only up to
// the Max length of sound, a channel replaced by the last one, samples clipped or replaced by
// the conversion. Several changes are joined by "; ". Empty when the window shows the file's
// channel whole and unchanged.
QString OpenNote(const requests::LoadReport& report, int maxSoundLength);

}  // namespace tonalyx
