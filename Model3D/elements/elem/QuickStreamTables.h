// The shared-object tables of the elements' quick streams. A writer maps each object
// it has written to its index (0, 1, 2, … in first-appearance order); a reader keeps the
// objects read so far in the same order. The reader's pointers do not own the objects:
// they stay alive through the elements read into.
#pragma once

#include "platform/KitArray.h"
#include "platform/KitOpenHashTable.h"
#include "platform/KitTypes.h"

namespace Modeler {

class Body;
class BaseElem;

using BodyWriteTable = Kit::OpenHashTable<const Body*, Int32>;
using BaseElemWriteTable = Kit::OpenHashTable<const BaseElem*, Int32>;
using BodyReadTable = Kit::Array<const Body*>;
using BaseElemReadTable = Kit::Array<BaseElem*>;

} // namespace Modeler
