#include "pitch/Matrices.h"

namespace tonalyx {

template class Matrix<double>;
template class Matrix<std::complex<double>>;

}  // namespace tonalyx
