// Copying elements between two models: moving the tail of one model's list into another,
// and making one model an independent deep copy of another. The mirror of a derived
// model (Model3D::UpdateFromMainModel) and the hand-over to its main model
// (Model3D::TransferToMain) are operations of Model3D itself.
//
// Included by the chief header Model3D.h; include that one.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/core/model/Model3D.h"

namespace Modeler {

// Moves the elements in slots first … n − 1 of the source (n = its element count) into
// the same slots of the destination, shared, with their GUID entries and parents; then
// cuts the source to first slots (raising ElemsTruncated on it when it shrinks) and
// invalidates the destination's binds. The destination must already hold n slots:
// a shorter destination, or a null modifier, throws Kit::IllegalArgumentException and
// changes nothing. Moving a model's tail onto itself does nothing.
M3D_EXPORT void MoveEnd(Model3DModifier* source, Model3DModifier* destination, UInt32 first);

// Makes destination an independent copy of source: user tag and cloned user data, the
// data-hole count, both boxes, the stamps, both condition blocks, and a deep copy of
// every element (new elements, base elements and bodies: nothing is shared with the
// source), with copies of the GUID map, the index records and the parent map. The
// destination keeps its GUID, main model, attribute store and observers. Nothing when
// destination is source; a null destination throws Kit::IllegalArgumentException. A
// failed allocation throws Kit::OutOfMemoryException before the element list changes.
M3D_EXPORT void DeepCopyModel3D(Kit::SharedPtr<Model3D> destination, const Model3D& source);

} // namespace Modeler
