// The parameter block that model files of versions 4024–4031 store right after a
// material or a light that has parameters: a head (raw Int16 platform sign, raw Int16
// block version, raw UInt32 byte count, in the byte order of the platform named by the
// sign), then the block's bytes as the parametric-object library wrote them.
#pragma once

#include "Model3D/proplist/PropertyList.h"
#include "platform/KitChannel.h"
#include "platform/KitTypes.h"

namespace Modeler {

// Result of a block whose byte count runs past the remaining input, or of a failure
// inside the property list.
constexpr GSErrCode OldParamBlockFailed = -7003;

// Reads one block from the channel, brings it to the running platform's byte order
// (ParxSwapAddParHdl) and to block version 21 (ConvertOldsParam_To_NewParam), and loads
// it into 'list'. When 'checksum' is given it receives the block's checksum
// (ParxCalcCheckSumAddParHdl). A byte count larger than the input that remains is
// refused before anything is allocated.
//
// Returns 0, or the first error: the channel's input status, the allocation error, the
// Parx conversion or checksum code, OldParamBlockFailed. On error the list is empty.
// Never throws; the block's memory is always released.
GSErrCode LoadOldParamBlock(Kit::IChannel& channel, PropertyList& list, Int32* checksum = nullptr);

} // namespace Modeler
