// Exceptions of the layer and hash-table code.
#pragma once

#include "sdk/exceptions.h"

namespace sdk {

// An invalid layer value or number.
class ELayerException : public Exception {
 public:
  using Exception::Exception;
};

// A misuse of a hash table: a change during ForEach, or a missing key without a default.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// A value set through an iterator that stands on no item.
class EEOFException : public Exception {
 public:
  using Exception::Exception;
};

// Enumerating a layer set that holds all layers of a partition.
class EPCB_LayerSetException : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace sdk
