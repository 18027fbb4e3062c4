// A host-side use of the module: start it, build one body, place it twice in a model,
// read the model back through a viewer, and stop the module.
#include "model3d.h"

#include <cstdio>
#include <filesystem>

namespace {

// A unit tetrahedron, built the way geometry generators do: vertices, then polygons as
// loops of signed edge references. StoreAndCheckCompletePolygon computes and checks the
// polygon normal and attaches the polygon to its edges.
Kit::SharedPtr<Modeler::Body> MakeTetrahedron() {
	Modeler::CandidateBody builder;
	builder.SetStatus(Modeler::BodyClosed);
	const Int32 v0 = builder.StoreVertex(0, 0, 0);
	const Int32 v1 = builder.StoreVertex(1, 0, 0);
	const Int32 v2 = builder.StoreVertex(0, 1, 0);
	const Int32 v3 = builder.StoreVertex(0, 0, 1);
	// Edge e is referenced as e + 1 along its direction and -(e + 1) against it.
	const Int32 e01 = builder.StoreEdge(0, v0, v1, -2, -2, 0, 1) + 1;
	const Int32 e12 = builder.StoreEdge(0, v1, v2, -2, -2, 0, 1) + 1;
	const Int32 e20 = builder.StoreEdge(0, v2, v0, -2, -2, 0, 1) + 1;
	const Int32 e03 = builder.StoreEdge(0, v0, v3, -2, -2, 0, 1) + 1;
	const Int32 e13 = builder.StoreEdge(0, v1, v3, -2, -2, 0, 1) + 1;
	const Int32 e23 = builder.StoreEdge(0, v2, v3, -2, -2, 0, 1) + 1;
	const Int32 bottom[] = {-e20, -e12, -e01}; // seen from below: 0 -> 2 -> 1
	const Int32 front[] = {e01, e13, -e03};    // 0 -> 1 -> 3
	const Int32 left[] = {e03, -e23, e20};     // 0 -> 3 -> 2
	const Int32 slope[] = {e12, e23, -e13};    // 1 -> 2 -> 3
	for (const Int32* face : {bottom, front, left, slope})
		builder.StoreAndCheckCompletePolygon(1, 0, 3, face, 0, true);
	builder.CalculatePolygonMPUIDs();
	builder.CalculateBounds();
	return builder.ToBody();
}

Kit::SharedPtr<Modeler::Elem> Place(const Kit::SharedPtr<Modeler::BaseElem>& content, double x) {
	Modeler::VOCA id;
	id.SetEmpty();
	id.guid = Kit::Guid::Generate();
	Kit::SharedPtr<Modeler::Elem> elem(new Modeler::Elem(id, false, false, content.Get()));
	TRAN move;
	Geometry::TMIdentity(&move);
	move.matrix[3] = x;
	Geometry::TMFillStatus(&move);
	elem->SetTrafo(move);
	elem->CalculateBounds();
	return elem;
}

} // namespace

int main() {
	IO::Location folder(std::filesystem::temp_directory_path() / "model3d-example");
	if (M3DInit(&folder, 0, 0) != 0) return 1;
	{
		Kit::SharedPtr<Modeler::Attributes> attributes = Modeler::Attributes::New();
		Kit::SharedPtr<Modeler::Model3D> model = Modeler::Model3D::New(attributes, Modeler::DiskCachingOff, nullptr);

		// One body, one content object, placed twice.
		Kit::SharedPtr<Modeler::BaseElem> content(new Modeler::BaseElem());
		content->AddBody(MakeTetrahedron());
		Modeler::Model3DModifier modifier(model);
		modifier.AddElem(Place(content, 0.0), Kit::NULLGuid);
		modifier.AddElem(Place(content, 2.0), Kit::NULLGuid);
		modifier.CalculateBounds(0);
		modifier.CalculateGPgons(0);

		const Modeler::Model3DViewer viewer(model);
		const Box3D& b = viewer.GetBounds();
		std::printf("%u elements sharing %u base element; bounds x %.1f..%.1f\n", viewer.GetElemCount(),
		            viewer.GetBaseElemCount(), b.xMin, b.xMax);
		for (UInt32 i = 0; i < viewer.GetElemCount(); ++i)
			std::printf("element %u: bind %u, polygons %u\n", i, viewer.GetBind(i, 0),
			            viewer.GetConstBody(i, 0)->GetPolygonCount());
	}
	M3DExit();
	return 0;
}
