#pragma once

#include <string>

namespace tonalyx::requests {

// Numbers as text exactly as the C library's printf writes them in the "C" locale, to nearest
// with ties to even, only faster: the common cases (a handful of digits, values far from the
// limits of a double) are formatted with exact integer arithmetic, everything else goes to
// std::to_chars, which formats as printf does.

// Appends value as "%.*f" with that many decimals writes it.
void AppendFixed(std::string& out, double value, int decimals);

// Appends value as "%.*g" with that many significant digits writes it.
void AppendGeneral(std::string& out, double value, int digits);

}  // namespace tonalyx::requests
