// What a subsystem file sees: the rows it declares its classes with, the
// interned names and the calls its bodies make.
#pragma once

#include "model/packing.hpp"
#include "runtime/call.hpp"
