// Modeler::BodyHeader: the header of a polyhedral body, shared by the finished body
// (Modeler::Body) and the body builder (Modeler::CandidateBody) as their common base: the
// status word, the display and section attributes, the texture wrapping with its local
// coordinate system, and the local bounds. Next to the fields it carries what both
// classes do with them alike: the accessors, the defaults, the mapping to and from the
// legacy BODY record, the header block of the quick streams and the header comparison.
//
// The getters and status queries are public. The setters are protected: a finished body
// is changed only by the owner of its only copy, while the builder makes them public.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/records/BodyRecords.h"
#include "platform/KitChannel.h"
#include "platform/KitTypes.h"

namespace Modeler {

class M3D_EXPORT BodyHeader {
public:
	// Bytes of the header block that opens the quick streams.
	static constexpr UInt64 QuickHeaderSize = 72;

	UInt32 GetStatus() const { return status; }
	Int16 GetEdgePenIdx() const { return edgePenIdx; }
	Int16 GetMaterialIdx() const { return iumat; }
	Int16 GetShapeType() const { return btype; }
	Int16 GetFillType() const { return ifill; }
	Int16 GetSectBkgColor() const { return sbkgc; }
	Int16 GetSectContourColor() const { return sconc; }
	Int16 GetSectFillColor() const { return sfilc; }
	Int16 GetSectLineType() const { return sltype; }
	UInt32 GetFatherBind() const { return fatherBind; }
	Int16 GetWrapping() const { return wrap; }
	const Int32* GetLocalCoordSys() const { return coor; }
	void GetLocalCoordSys(Int32* out) const;
	bool HasSameLocalCoordSys(const BodyHeader* other) const;
	const F_Box3D& GetLocalBounds() const { return bounds; }
	void GetVisualAttribs(Int16* ifillOut, Int16* sbkgcOut, Int16* sconcOut, Int16* sfilcOut, Int16* sltypeOut) const;

	bool IsClosed() const { return (status & BodyClosed) != 0; }
	bool IsCurved() const { return (status & BodyCurved) != 0; }
	bool IsSurface() const { return (status & BodySurface) != 0; }
	bool IsCut() const { return (status & BodyCut) != 0; }
	bool AlwaysCastsShadow() const { return (status & BodyAlwaysCastsShadow) != 0; }
	bool NeverCastsShadow() const {
		return (status & (BodyNeverCastsShadow | BodyAlwaysCastsShadow)) == BodyNeverCastsShadow;
	}
	bool DoesNotReceiveShadow() const { return (status & BodyDoesNotReceiveShadow) != 0; }
	bool IsMarkedShadow() const { return (status & BodyInvisible) != 0; }
	bool HasSharpEdge() const { return (status & BodyHasSharpEdge) != 0; }

protected:
	BodyHeader() = default;
	BodyHeader(const BodyHeader&) = default;
	BodyHeader& operator=(const BodyHeader&) = default;
	~BodyHeader() = default;

	void SetStatusMask(UInt32 mask) { status |= mask; }
	void ClrStatusMask(UInt32 mask) { status &= ~mask; }
	void SetEdgePenIdx(Int16 value) { edgePenIdx = value; }
	void SetMaterialIdx(Int16 value) { iumat = value; }
	void SetShapeType(Int16 value) { btype = value; }
	void SetFillType(Int16 value) { ifill = value; }
	void SetSectBkgColor(Int16 value) { sbkgc = value; }
	void SetFatherBind(UInt32 value) { fatherBind = value; }
	void SetWrapping(Int16 value) { wrap = value; }
	// Null clears the four entries.
	void SetLocalCoordSys(const Int32* values);
	void SetVisualAttribs(Int16 ifillIn, Int16 sbkgcIn, Int16 sconcIn, Int16 sfilcIn, Int16 sltypeIn);

	// The defaults of a cleared body: status 0, every Int16 field 0 except sbkgc −2,
	// father bind 0, no wrapping, coor 0, bounds all zero.
	void ResetHeader();
	// The header fields of a legacy record; the cut marker 30200 in btypeOrCut sets the
	// cut bit and takes the shape type from btype.
	void SetupFromBODY(const BODY& record);
	// The legacy record of the header with 1-based ranges over the given counts.
	void FillBODY(BODY* record, const BodyRecordCounts& counts) const;
	// Every field but the status word equal; bounds within 1e-5.
	bool HeaderEquals(const BodyHeader& other) const;
	// A vertex named by a negative coor entry exists only for the local coordinate system.
	bool IsCoordSysOnlyVertex(Int32 i) const;

	// The 72-byte header block of the quick streams: the fields in memory order and one
	// flag byte of the owner. Failures throw Kit::InternalErrorException with the given
	// message; a failed read leaves the header unchanged.
	void WriteQuickHeader(Kit::OChannel& ch, UInt8 flag, const char* failure) const;
	UInt8 ReadQuickHeader(Kit::IChannel& ch, const char* failure);

	UInt32 status = 0;
	Int16 edgePenIdx = 0;
	Int16 iumat = 0;
	Int16 btype = 0;
	Int16 ifill = 0;
	Int16 sbkgc = -2;
	Int16 sconc = 0;
	Int16 sfilc = 0;
	Int16 sltype = 0;
	UInt32 fatherBind = 0;
	Int16 wrap = 0;
	Int32 coor[4] = {0, 0, 0, 0};
	F_Box3D bounds = {0, 0, 0, 0, 0, 0};
};

} // namespace Modeler
