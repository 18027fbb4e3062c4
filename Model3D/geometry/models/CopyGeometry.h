// Drawing geometry across models: copying the bodies of a range of elements into
// another model, one new element per body.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/core/model/Model3DViews.h"
#include "platform/KitTypes.h"

// Copies the bodies of elements firstElem … lastElem of src (from body firstBody of the
// first element to body lastBody of the last) into dst: each body as a new element with
// the source element's id record and its parent/child flags, holding a geometry-only,
// closed copy of the body, and added under the source element's parent. The new range
// is returned through the four pointers (the last element and its last body). An
// element index beyond src's element list throws Kit::IllegalArgumentException.
M3D_EXPORT void DLCopyGeometryOfBodies(const Modeler::Model3DViewer& src, UInt32 firstElem, UInt32 firstBody,
                                       UInt32 lastElem, UInt32 lastBody, Modeler::Model3DModifier& dst,
                                       UInt32* newFirstElem, UInt32* newFirstBody, UInt32* newLastElem,
                                       UInt32* newLastBody);
