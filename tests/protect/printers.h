// How the tests show a CryptoError when an expectation fails.
#pragma once

#include <ostream>

#include "norvane/error/crypto_error.h"

namespace norvane {

inline void PrintTo(const CryptoError& error, std::ostream* out) {
  *out << kind_name(error.kind()) << "(\"" << error.detail() << "\")";
}

}  // namespace norvane
