#include "pitch/Vectors.h"

#include <limits>
#include <stdexcept>

namespace tonalyx {

std::size_t ArrayStorageSize(std::int64_t count) {
    if (count < 0 || count > std::numeric_limits<int>::max()) {
        throw std::length_error("array element count out of range");
    }
    return static_cast<std::size_t>(count);
}

template class Vector<double>;
template class Vector<std::complex<double>>;
template class Vector<std::int32_t>;

}  // namespace tonalyx
