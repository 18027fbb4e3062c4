// The host's material table as the module sees it: the host hands over its callbacks
// once with IASetEnv, and the IA… functions count, name, find, fetch and add host
// materials through them, always for the host's material attribute type ("MAT2").
// Without a callback nothing crashes: counts are 0, lookups IAMissingErr, adds 0.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/ADBGeneralAttribute.h"
#include "platform/KitTypes.h"
#include "platform/KitUniString.h"
#include "platform/PlanAttrMaterial.h"

// Result of a refused lookup.
constexpr Int16 IAMissingErr = -1111;

// The four-character code of the host's material attribute type.
constexpr UInt32 IAMaterialTypeCode = 0x4D415432; // "MAT2"

// The host's callbacks; each returns 0 on success.
// A new copy of attribute 'index' in *attribute (the callee allocates, the module deletes).
using IAGetAttributeProc = Int16 (*)(ADB::IDType typeId, Int16 index, ADB::GeneralAttribute** attribute);
// Adds 'attribute' to the host's table and sets its index.
using IAAddAttributeProc = Int16 (*)(ADB::IDType typeId, ADB::GeneralAttribute* attribute, Int32 mode);
using IACountAttributesProc = Int16 (*)(ADB::IDType typeId, Int16* count);
using IAIndexAttributeProc = Int16 (*)(ADB::IDType typeId, const Kit::UniString& name, Int16* index);
using IANameAttributeProc = Int16 (*)(ADB::IDType typeId, Int16 index, Kit::UniString* name);

// Stores the environment (null callbacks clear theirs); returns 'last'. The first, second
// and last values are the host's own and not used here.
M3D_C_EXPORT void* IASetEnv(void* first, void* second, IAGetAttributeProc get, IAAddAttributeProc add,
                            IACountAttributesProc count, IAIndexAttributeProc index, IANameAttributeProc name,
                            void* last);

// The number of host materials; 0 without a count callback or when it fails.
M3D_C_EXPORT Int16 IAnumMaterAttr();
// The name of host material 'index'. Throws Kit::InternalErrorException (without
// message) without a name callback or when it fails.
M3D_C_EXPORT void IAnameMaterAttr(Int16 index, Kit::UniString& name);
// The index of the host material named 'name'; IAMissingErr for an empty name, without
// an index callback or when it fails.
M3D_C_EXPORT Int16 IAindexMaterAttr(const Kit::UniString& name);
// Copies host material 'index' into *material. With 'found' given, *found tells whether
// that worked and nothing is thrown; without it a failure throws
// Kit::InternalErrorException. A null material throws Kit::IllegalArgumentException.
M3D_C_EXPORT void IAgetMaterAttr(Int16 index, PlanAttr::Material* material, char* found);
// Adds a copy of 'attribute' to the host's materials; its new index, or 0.
M3D_C_EXPORT Int16 IAaddMaterAttr(const ADB::GeneralAttribute* attribute);
