#pragma once

// The spectrogram engine's public declarations: the engine, its kinds, the framing of the view
// into columns, the level image and the pieces they are made of.

#include "analysis/AnalysisKind.h"
#include "analysis/ColumnResampler.h"
#include "analysis/LevelImage.h"
#include "analysis/LevelMapping.h"
#include "analysis/ScaleMap.h"
#include "analysis/Smoothing.h"
#include "analysis/SpectrogramEngine.h"
#include "analysis/SpectrogramFraming.h"
#include "analysis/SpectrogramKind.h"
#include "analysis/SpectrogramState.h"
