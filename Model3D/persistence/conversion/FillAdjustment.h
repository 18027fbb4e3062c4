// Rebuilding the fill definition block of old model files in the current form.
//
// Files up to version 4016 keep their fill definitions in form 455 (up to 4008) or form
// 510 (4009–4016), vector fills only; the attribute store keeps the current form of
// FillConversionRecord.h. The file reader first brings the block into the running
// platform's byte order (IV_FIDE), then hands it here with the fill heads (UFIL) that
// name their pieces of it by 1-based offset (+36) and length (+40).
//
// Each definition a fill head names is written once in the current form, in the order in
// which the heads first name it:
//  - header: the name (a length-prefixed name of form 455 becomes zero-terminated, cut to
//    31 characters), the host fill index and flags, modification time and checksum 0,
//    the further word 3, the pattern, the spacing factor as both x and y factor, the
//    angle, fill type 0 (vector), the item count as line count; everything else 0;
//  - each line item: frequency and direction, 0, its two float origins widened to
//    doubles, its dash count, then its dash lengths.
// A definition therefore grows by 86 bytes plus 22 per item from form 455, and by 72
// bytes plus 16 per item from form 510; bytes of an old definition past its last dash are
// dropped. Each head's offset and length are set to those of its rebuilt definition, and
// *fideSize to the size of the new block, which replaces *block (the old one is freed).
//
// Decisions for the cases the old format leaves open:
//  - Heads that name the same definition (same offset and length) share the rebuilt one.
//  - A head with length 0 has no definition; its offset becomes 0 ("none"), its length
//    stays 0.
//  - Definitions that no head names are not carried over. With no head naming a
//    definition (fillCount 0 included) the new block is empty and *fideSize 0; the old
//    block is still checked first.
//
// Everything is checked before anything is changed. The result is
//  - 0 on success;
//  - RecordConversionBadStructure (−1) for a null fideSize or block pointer, a null fill
//    array with a positive fillCount, or a negative fillCount; nothing is changed;
//  - RecordConversionBadFillDefinition (−1111) when *fideSize is larger than the block
//    (BMGetPtrSize) or than an Int32, when a definition of the block does not hold what it
//    announces (see FCSwapFillDef455/510), when a head's length is negative or its range
//    does not lie inside the block, does not start at a definition or differs from that
//    definition's own length, or when the new block would exceed an Int32. The block,
//    the heads and *fideSize are then left as they were.
// *block is a block of BMAllocatePtr (null only when *fideSize is 0); the new block is one
// too. A failed allocation throws Kit::OutOfMemoryException, with nothing changed.
#pragma once

#include "Model3D/attributes/records/UFIL.h"
#include "Model3D/core/frame/ModuleExport.h"
#include "platform/KitTypes.h"

M3D_C_EXPORT Int16 FCAdjustFill455(Int32 fillCount, UFIL* fills, UInt32* fideSize, char** block);
M3D_C_EXPORT Int16 FCAdjustFill510(Int32 fillCount, UFIL* fills, UInt32* fideSize, char** block);
