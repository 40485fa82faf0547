// Failures of the image and drawing routines.
#pragma once

#include <string>

#include "sdk/exceptions.h"

namespace controls {

// A GDI object could not be made.
class EOutOfResources : public sdk::Exception {
 public:
  using Exception::Exception;
};

// An operation a graphic does not support.
class EInvalidGraphicOperation : public sdk::Exception {
 public:
  using Exception::Exception;
};

// A stored image (stream or resource) that cannot be read.
class EInvalidImage : public sdk::Exception {
 public:
  using Exception::Exception;
};

// Raises EOutOfResources with the system's message for the last error, or "Out of system
// resources" when there is none.
[[noreturn]] void RaiseOutOfResources();

}  // namespace controls
