#pragma once

// The array toolkit of the pitch extractor: owning vectors and matrices of doubles, complex
// doubles and 32-bit integers, strided row and column views, element-wise arithmetic with a
// size check that reports to the numerics error hook, and arithmetic on plain arrays.

#include "pitch/Matrices.h"
#include "pitch/NumericsError.h"
#include "pitch/PlainArrays.h"
#include "pitch/VectorOperations.h"
#include "pitch/Vectors.h"
