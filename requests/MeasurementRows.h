#pragma once

#include "analysis/Intensity.h"
#include "formants/Formants.h"
#include "requests/AnalysisRequest.h"
#include "requests/TableWriter.h"

namespace tonalyx::requests {

// The measurements' settings that a request asks for, over their own defaults.
FormantSettings FormantSettingsOf(const AnalysisRequest& request);
IntensitySettings IntensitySettingsOf(const AnalysisRequest& request);

// The header of a formant table: "time_s,f1_hz,b1_hz,...,fN_hz,bN_hz" after the file column.
void WriteFormantHeader(TableWriter& table, int count);
// One row per frame of the block: its time in seconds, then each formant's frequency and
// bandwidth in Hz; a formant the frame lacks is written as missing chooses (0 by default).
void WriteFormantRows(TableWriter& table, MissingValues missing, const FormantBlock& block);

// The header of an intensity table: "time_s,intensity_db" after the file column.
void WriteIntensityHeader(TableWriter& table);
// One row per frame: its time in seconds and the intensity in dB; a frame of digital silence
// (kSilenceDb) is written as missing chooses (-300 by default).
void WriteIntensityRows(TableWriter& table, MissingValues missing, const IntensityBlock& block);

}  // namespace tonalyx::requests
