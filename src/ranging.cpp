// Ranging and reception items: timed receptions, pings, residuals, CAMR, MR and RAMR stamps,
// multi-range packets, angle of arrival and phase data.
#include "catalog.hpp"

namespace pdi {

// No classes declared yet.
const Table kRangingTable{nullptr, nullptr};

}  // namespace pdi
