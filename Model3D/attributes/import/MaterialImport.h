// Bringing the host's materials, pens, fills and textures into a model's attribute
// store, reusing an equal entry when the store has one, so that every host attribute is
// stored once; translating the attribute indices of a model file into store indices;
// mapping a host material or pen to a store material (IMgl2loc).
//
// Store indices travel as Int16. IMRefusedErr marks a refused or failed lookup; when
// adding to the store throws, the exception is printed to Kit::dbChannel and index 1 is
// returned instead.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/attributes/records/AttributeRecords.h"
#include "Model3D/attributes/records/UFIL.h"
#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/attributes/store/ModelerAttributes.h"
#include "platform/ByteOrder.h"
#include "platform/KitTypes.h"
#include "platform/KitUniString.h"
#include "platform/PlanAttrFill.h"
#include "platform/PlanAttrMaterial.h"

constexpr Int16 IMRefusedErr = -1111;

// Name and format buffers that the host fills at run time; the module only reads
// gParxMatFormat (a material name, one integer), gPenMatFormat (a pen material's name,
// one integer: the pen) and gErrorMatName. A format that does not take exactly one
// integer is not used; the bare number is written instead.
extern "C" {
M3D_EXPORT extern char gParxMatFormat[256];
M3D_EXPORT extern char gPenMatFormat[256];
M3D_EXPORT extern char gErrorMatName[256];
M3D_EXPORT extern char gMasterEndParxName[32];
M3D_EXPORT extern char gMasterParxName[32];
M3D_EXPORT extern char gAtlStyleFormat[256];
M3D_EXPORT extern char gImportMatFormat[256];
M3D_EXPORT extern char gParxMatDefFormat[256];
M3D_EXPORT extern char gShadowMatName[256];
M3D_EXPORT extern char gErrorFillFormat[256];
M3D_EXPORT extern char gParxFillFormat[256];
M3D_EXPORT extern char gFloatMatFormat[256];
}

// The name of a material without one: gParxMatFormat with the index, at most 31
// characters.
M3D_C_EXPORT void IMUmatNoName(Int16 index, Kit::UniString& name);

// Host material to record: name (cut to 31 characters), type, colours, coefficients,
// fill words and the parameters of the host's parameter block; no texture.
M3D_C_EXPORT void IMMater2Umat(const PlanAttr::Material& material, UMAT* record, Int16 hostMaterialIdx);
// Sets the lighting coefficients of the material's base type (types 1..7).
M3D_C_EXPORT void IMSetupMater(PlanAttr::Material* material);
// Makes the error material: named gErrorMatName, red.
M3D_C_EXPORT void IMErrorMater(PlanAttr::Material* material);
// The material of a pen: its colour lightened, type 2, hostMaterialIdx = -pen.
M3D_C_EXPORT void IMPenToUMAT(Int16 pen, UMAT* record);
M3D_C_EXPORT Int16 IMStorePenAsUmat(Modeler::Attributes::Modifier* modifier, Int16 pen);
// The pen whose colour is nearest (largest channel difference), the lowest on ties; 0
// when there are no pens.
M3D_C_EXPORT Int16 IMSearchSimilar(const Kit_RGBColor* color);

// Fills.
M3D_C_EXPORT Int16 IMAddUfil(Modeler::Attributes::Modifier* modifier, const UFIL* fill, const char* definition);
M3D_C_EXPORT Int16 IMStoreinUfil(Modeler::Attributes::Modifier* modifier, Int16 hostFillIdx, char* definition,
                                 Int32 byteCount);
// The store fill with the same name, definition length and bytes, else a new one.
M3D_C_EXPORT Int16 IMInsertUfil(Modeler::Attributes::Modifier* modifier, const UFIL* fill, const char* definition);
// The store fill with the same definition as the host fill, else a new one.
M3D_C_EXPORT Int16 IMInsertintoUfil(Modeler::Attributes::Modifier* modifier, Int16 hostFillIdx, PlanAttr::Fill* fill);

// Materials.
M3D_C_EXPORT Int16 IMStoreinUmat(Modeler::Attributes::Modifier* modifier, Int16 hostMaterialIdx, Int16 pictIndex,
                                 const PlanAttr::Material& material);
// The store material equal to *record (by host index, or by contents when neither has
// one), else a new one. Sets the record's parameter checksum when it has parameters
// without one.
M3D_C_EXPORT Int16 IMInsertUmat(Modeler::Attributes::Modifier* modifier, UMAT* record);
// The store material equal to the host material (with its texture and parameters), else
// a new one.
M3D_C_EXPORT Int16 IMInsertintoUmat(Modeler::Attributes::Modifier* modifier, Int16 hostMaterialIdx, Int16 pictIndex,
                                    PlanAttr::Material* material);
// The first store material made from host material (or minus pen) 'hostMaterialIdx'.
M3D_C_EXPORT Int16 IMFindUMat(const Modeler::Attributes::Viewer* viewer, Int16 hostMaterialIdx);
// The store material of a host material or pen: hostMaterial < -32000 names the pen
// -hostMaterial - 32000; -32000..-1 is already a store index (negated); 0 means the pen
// 'pen'; above 0 a host material, fetched through the attribute environment (the pen's
// material when the host has none).
M3D_C_EXPORT void IMgl2loc(Modeler::Attributes::Modifier* modifier, Int16 pen, Int16 hostMaterial,
                           Int16* storeMaterial);

// Textures.
M3D_C_EXPORT Int16 IMstRtxt(Modeler::Attributes::Modifier* modifier, float xSize, float ySize, Int32 pixelWidth,
                            Int32 pixelHeight, const Kit::UniString* name, char* fileRef, Int16 pictIndex,
                            UInt16 status);
M3D_C_EXPORT Int32 IMstTexture(Modeler::Attributes::Modifier* modifier, double xSize, double ySize, UInt16 status,
                               const Kit::UniString& name, char* fileRef, Int16 pictIndex);
// The texture of a host material (0, cosine 1 and sine 0 when it has none). A picture
// that cannot be found or read gives no texture; the failure is printed to
// Kit::dbChannel.
M3D_C_EXPORT bool IMTextureInMater(Modeler::Attributes::Modifier* modifier, const PlanAttr::Material& material,
                                   Int16 pictIndex, Int32* textureIdx, float* cosine, float* sine);
M3D_C_EXPORT Int32 IMAddRtxt2Umat(Modeler::Attributes::Modifier* modifier, const PlanAttr::Material& material,
                                  Int16 storeMaterial, Int16 pictIndex);

// Index translation of a model file's fills and materials. Modes: 0 every entry maps to
// defaultIdx; 1 each is inserted (reused when equal); 2 the host attribute of the same
// name is taken, else defaultIdx; 3 the same, else inserted. *count (and for materials
// *fillCount and *textureCount) grow by the entries added to the store. 'definitions'
// holds the fill definitions one after the other; fill k's starts at byte defStart - 1.
M3D_C_EXPORT void IMAdjustUfilsInBinary(Modeler::Attributes::Modifier* modifier, Int16 mode, Int32* count, Int16* map,
                                        Int16 defaultIdx, const UFIL* fills, const char* definitions);
M3D_C_EXPORT void IMAdjustUmatsInBinary(Modeler::Attributes::Modifier* modifier, Int16 mode, Int32* count, Int16* map,
                                        UMAT* materials, Int16 defaultIdx, Int32* fillCount, const Int16* fillMap,
                                        Int32* textureCount, const Int16* textureMap);
