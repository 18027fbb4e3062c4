// Conversion between the host's fill objects (PlanAttr::Fill) and the flat fill
// definition record kept by the attribute store (see FillConversionRecord.h).
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/attributes/records/FillConversionRecord.h"
#include "platform/KitTypes.h"

// Result code of a conversion that failed inside (out of memory, a host setter refused
// the details).
constexpr GSErrCode IMFillConversionFailedErr = -7003;

// Flattens the host fill 'fill' (a PlanAttr::Fill*) into a new record block that
// 'record' receives (BMAllocatePtr; the caller frees it with BMKillPtr). The record's
// first Int32 is its byte length.
// Throws Kit::IllegalArgumentException for a null argument or a fill type other than
// vector, symbol or plain; Kit::InternalErrorException when the host's details cannot
// be fetched or do not fit together; Kit::OutOfMemoryException when the block cannot
// be allocated. Nothing is handed out on failure.
M3D_EXPORT void IMConvertFillToRecord(char* fill, char** record);

// Builds a new host fill (a PlanAttr::Fill*, owned by the caller) from 'record' and
// stores it in 'fill'. The record is trusted to hold as many bytes as its own length
// field says; within that it is checked fully before anything is built.
// Throws Kit::IllegalArgumentException for a null argument, Kit::InternalErrorException
// for a malformed record (negative counts, details that do not add up to the record's
// length, an unknown fill type) or a refused detail setter, and
// Kit::OutOfMemoryException when memory runs out. Nothing is handed out on failure.
M3D_EXPORT void IMConvertFillToClass(char* record, char** fill);

// As above for a record that lies in a buffer of 'availableBytes' bytes: a record whose
// length field or counts reach beyond the buffer or disagree with its contents gives
// Modeler::BadFillDefinitionErr (-1111); a failure inside gives IMFillConversionFailedErr
// and is printed to Kit::dbChannel. On success returns NoError and 'fill' receives the
// new host fill; otherwise 'fill' receives null.
M3D_EXPORT GSErrCode IMConvertFillToClass(const char* record, Int64 availableBytes, char** fill);
