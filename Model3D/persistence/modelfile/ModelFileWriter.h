// Writing the current version (4032) of the model file, in the running platform's byte
// order.
//
// FLWriteModel writes every valid element's visible bodies placed in model coordinates
// (every TRAN index is 0), then every light of every element slot, the texture, fill,
// material and fill definition tables and the loaded texture pixels. Afterwards the
// pixels of every non-resident texture are released. FLWriteOneBody writes one body in
// its own coordinates followed by its element's transformation as the file's only TRAN
// record, and no lights or attributes.
//
// A failing write or allocation throws a root-library exception; the channel is left
// where the failure happened and the caller deletes the partial file. The files are the
// same byte for byte whenever the model is the same: triangle caches and pixel handles,
// which are addresses in this process, are written as 0.
#pragma once

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/core/frame/ModuleExport.h"
#include "Model3D/core/model/Model3DViews.h"
#include "platform/KitChannel.h"

namespace Modeler {

// The fourth argument is kept for the host's calls and has no effect.
M3D_EXPORT void FLWriteModel(Kit::OChannel& ch, const Model3DViewer& model, const Attributes::Viewer& attrs,
                             Int32 unusedArgument = 0);
M3D_EXPORT void FLWriteOneBody(Kit::OChannel& ch, const Elem& elem, const Body& body, const Attributes::Viewer& attrs);

} // namespace Modeler
