// Radar debug items, radar interface records and self-calibration items.
#include "catalog.hpp"

namespace pdi {

// No classes declared yet.
const Table kRadarTable{nullptr, nullptr};

}  // namespace pdi
