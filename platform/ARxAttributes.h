// The 2D modeler's pen and fill tables. The host (and the tests) fill them with the
// ARxSet…/ARxAdd… calls; the module only reads them through the lookups below.
// Pens and fills are indexed from 1.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"
#include "platform/KitUniString.h"
#include "platform/PlanAttrFill.h"
#include "platform/PlanAttrTypes.h"

// Result code of a lookup of a pen or fill that does not exist.
constexpr GSErrCode ARxNoSuchAttributeErr = -1111;

// Number of pens.
short ARxnumPenAttr();
// Colour of pen 'pen' (1..ARxnumPenAttr()). An index outside the table gives
// ARxNoSuchAttributeErr and black.
GSErrCode ARxgetPenRGB(short pen, Kit_RGBColor* color);

// Number of fills.
short ARxnumFillAttr();
// Index of the fill with exactly this name, or 0 when there is none.
short ARxindexFillAttr(const Kit::UniString& name);
short ARxindexFillAttr(const char* utf8Name);
// A new copy of fill 'index' (owned by the caller, deleted with 'delete') and the byte
// length of its flat definition record. An index outside the table gives
// ARxNoSuchAttributeErr and a null fill.
GSErrCode ARxgetFillAttr(short index, PlanAttr::Fill** fill, Int32* byteLength);

// Replaces the pen table by 'count' colours (pen i is colors[i - 1]); a null table or a
// count of 0 empties it.
void ARxSetPenTable(const Kit_RGBColor* colors, short count);
// Appends a copy of 'fill' whose index is set to its new position, and returns that
// index; 0 when the table is full (32767 fills).
short ARxAddFillAttr(const PlanAttr::Fill& fill);
// Empties the pen and fill tables.
void ARxClearAttributeTables();

#pragma GCC visibility pop
