// Modeler::IConstBodyImp: answers the cutting library's Cut::IConstBody over one
// Modeler::Body without copying anything; every call reads the body.
//
// The adapter does not own the body: whoever makes the adapter keeps the body alive for
// as long as the adapter is used. Copying an adapter copies the body pointer.
//
// The cutting library passes indices in from outside the module, so the adapter checks
// them against the body's counts and throws Kit::IllegalArgumentException for an index
// out of range or a null output pointer. Querying an adapter that has no body throws
// Kit::LogicErrorException.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/body/Body.h"
#include "Model3D/bodies/query/BodyQueryInterface.h"
#include "Model3D/bodies/records/BodyInfo.h"

namespace Modeler {

class M3D_EXPORT IConstBodyImp : public virtual Cut::IConstBody {
public:
	explicit IConstBodyImp(const Body* body) : body(body) {}
	IConstBodyImp(const IConstBodyImp& source) : Cut::IConstBody(source), body(source.body) {}
	IConstBodyImp& operator=(const IConstBodyImp& source) {
		if (this != &source) body = source.body;
		return *this;
	}
	~IConstBodyImp() override = default;

	UInt32 GetPolygonCount() const override { return Get().GetPolygonCount(); }
	UInt32 GetPolyNormalCount() const override { return Get().GetPolyNormalCount(); }
	UInt32 GetPolyEdgeCount() const override { return Get().GetPolyEdgeCount(); }
	UInt32 GetEdgeCount() const override { return Get().GetEdgeCount(); }
	UInt32 GetVertexCount() const override { return Get().GetVertexCount(); }
	UInt32 GetTextureVertexCount() const override { return Get().GetTextureVertexCount(); }

	const Cut::PGON& GetConstPolygon(UInt32 i) const override;
	Int32 GetConstPolyEdge(UInt32 i) const override;
	const EDGE& GetConstEdge(UInt32 i) const override;
	const VERT& GetConstVertex(UInt32 i) const override;
	const VECT& GetConstPolyNormal(UInt32 i) const override;
	const TEVE& GetConstTextureVertex(UInt32 i) const override;

	UInt32 GetStatus() const override { return Get().GetStatus(); }
	Int16 GetMaterialIdx() const override { return Get().GetMaterialIdx(); }
	Int16 GetColorIdx() const override { return Get().GetEdgePenIdx(); }
	Int16 GetShapeType() const override { return Get().GetShapeType(); }
	void GetVisualAttribs(Int16* ifill, Int16* sbkgc, Int16* sconc, Int16* sfilc, Int16* sltype) const override;
	UInt32 GetFatherBind() const override { return Get().GetFatherBind(); }
	Int16 GetWrapping() const override { return Get().GetWrapping(); }
	void GetLocalCoordSys(Int32* out) const override;
	const Int32* GetLocalCoordSys() const override { return Get().GetLocalCoordSys(); }
	bool IsClosed() const override { return Get().IsClosed(); }
	bool IsSurface() const override { return Get().IsSurface(); }
	bool IsMulUmat() const override { return Get().IsMulUmat(); }
	bool IsMulColor() const override { return Get().IsMulColor(); }

	// The five section attributes of the body as one record.
	BodyInfo GetBodyInfo() const;

protected:
	// An adapter without a body, for derived classes that set one later.
	IConstBodyImp() = default;

	const Body* body = nullptr;

private:
	// The body; throws Kit::LogicErrorException when there is none.
	const Body& Get() const;
	// Throws Kit::IllegalArgumentException unless i < count.
	static void CheckIndex(UInt32 i, UInt32 count, const char* what);
};

} // namespace Modeler
