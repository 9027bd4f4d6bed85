// Distribution and discovery items: firmware and content images, updater status,
// device discovery and network services.
#include "catalog.hpp"

namespace pdi {

// No classes declared yet.
const Table kDistributionTable{nullptr, nullptr};

}  // namespace pdi
