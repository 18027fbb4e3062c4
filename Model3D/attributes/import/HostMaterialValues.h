// Host materials from the numbers of the host's parametric objects, and pens from
// floating-point colours. Built on the material presets of the material import.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"
#include "platform/KitUniString.h"
#include "platform/PlanAttrMaterial.h"

// The pen of the nearest colour to rgb (each channel 0..1; values outside are clamped).
M3D_C_EXPORT Int16 IARGBfloat2Pen(const float rgb[3]);

// Builds *material from a parametric object's material definition: 'values' (a handle
// of valueCount doubles) starts with the material type, then the colours (0..1) and
// coefficients (0..1, as percentages) of its base type, the fill index when the type is
// 10 or more, the fill colour and texture when it is 20 or more; 'textureValues' (a
// handle of textureValueCount doubles, 5 when given) holds width, height, status and
// angle from its second value on. Throws Kit::InternalErrorException (without message)
// for a count that does not match the type, a handle shorter than its count, or a value
// that is not a finite number.
M3D_C_EXPORT void IADab2Mater(const Kit::UniString& name, Int16 unused, Int16 valueCount, double** values,
                              const Kit::UniString* textureName, Int16 textureValueCount, double** textureValues,
                              PlanAttr::Material* material);
