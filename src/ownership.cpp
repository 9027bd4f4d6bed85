// Membership and ownership items: system and tag ownership, serial-number lists,
// acknowledgement lists.
#include "catalog.hpp"

namespace pdi {

// No classes declared yet.
const Table kOwnershipTable{nullptr, nullptr};

}  // namespace pdi
