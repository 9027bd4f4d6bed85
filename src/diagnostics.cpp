// Diagnostics and simulation items: device and stack statistics, Ethernet status,
// simulator controls.
#include "catalog.hpp"

namespace pdi {

// No classes declared yet.
const Table kDiagnosticsTable{nullptr, nullptr};

}  // namespace pdi
