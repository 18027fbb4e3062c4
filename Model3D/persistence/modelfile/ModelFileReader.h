// Reading model files of every accepted version (up to 4002, 4008, 4012–4029, 4031 and
// 4032) written on a platform of either byte order.
//
// FLReadModel reads a whole file into candidate bodies, light sources and the attribute
// store; FLRead1Body keeps only body number 'bodyIndex' (from 1) of a file of version 4012
// or later. 'sourcePlatform' is the sign of the platform that wrote the file. The other
// arguments:
//   adjustAttributes  merge the file's fills and materials with the store's through the
//                     import functions (which give the index maps); otherwise append them
//   materialMode      0..3 (values outside are clamped): how the file's materials are
//                     taken, as the import functions define it
//   readSurfaces      0 reads only edges and vertices and leaves every body wire-only
//   edgePen           when positive, the pen of every body and edge
//   defaultMaterial   the material of files whose materials are ignored
//   skipFirstTexture  files up to 4025 store a first texture that is not used
//
// Failures throw root-library exceptions with the messages hosts know ("Read error!",
// "Invalid version! (4030)", "ReadOldElems failed", …), after the warnings 44–47. Beyond
// that, the reader refuses what its skipping scheme cannot read: a header whose counts the
// file cannot hold, body ranges that overlap, run backwards or leave their section, and
// transformation indices above the file's transformation count, each with an exception
// that names the cause, before anything large is allocated. On failure 'bodies' keeps
// what it held, and the lights and the attribute store's tables are cut back to their
// counts at entry.
#pragma once

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/core/frame/ModuleExport.h"
#include "Model3D/elements/records/LGHT.h"
#include "platform/KitArray.h"
#include "platform/KitChannel.h"
#include "platform/KitShared.h"

namespace Modeler {

M3D_EXPORT void FLReadModel(Kit::IChannel& ch, Kit::Array<Kit::SharedPtr<CandidateBody>>& bodies,
                            Kit::Array<LGHT>& lights, Attributes::Modifier& attrs, Kit::PlatformSign sourcePlatform,
                            bool adjustAttributes, Int16 materialMode, Int16 readSurfaces, Int16 edgePen,
                            Int16 defaultMaterial, bool skipFirstTexture);

M3D_EXPORT void FLRead1Body(Kit::IChannel& ch, Kit::Array<Kit::SharedPtr<CandidateBody>>& bodies,
                            Kit::Array<LGHT>& lights, Attributes::Modifier& attrs, Kit::PlatformSign sourcePlatform,
                            Int32 bodyIndex, Int16 materialMode, Int16 readSurfaces, Int16 edgePen,
                            Int16 defaultMaterial);

} // namespace Modeler
