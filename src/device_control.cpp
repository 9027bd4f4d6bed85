// Device control and configuration items: device commands and their registry, pins,
// power, RF agility, persistent properties.
#include "catalog.hpp"

namespace pdi {

// No classes declared yet.
const Table kDeviceControlTable{nullptr, nullptr};

}  // namespace pdi
