// A host-side use of the module: start it, build one body, place it twice in a model,
// read the model back through a viewer, and stop the module.
#include "model3d.h"

#include <cstdio>
#include <filesystem>
#include <utility>

namespace {

// A unit tetrahedron, built the way geometry generators do: vertices, then faces as
// loops of vertex indices. The builder makes the edges (shared by neighbouring faces),
// computes each face's normal and turns every face to run counter-clockwise about it;
// here the loops are given counter-clockwise seen from outside, so the normals point out.
Kit::SharedPtr<Modeler::Body> MakeTetrahedron() {
	Modeler::CandidateBody builder;
	builder.SetStatus(Modeler::BodyClosed);
	const Int32 v0 = builder.StoreVertex(0, 0, 0);
	const Int32 v1 = builder.StoreVertex(1, 0, 0);
	const Int32 v2 = builder.StoreVertex(0, 1, 0);
	const Int32 v3 = builder.StoreVertex(0, 0, 1);
	const Int16 material = 1;
	builder.StoreFace({{v0, v2, v1}}, material); // bottom, seen from below
	builder.StoreFace({{v0, v1, v3}}, material);
	builder.StoreFace({{v0, v3, v2}}, material);
	builder.StoreFace({{v1, v2, v3}}, material); // the slope
	builder.CalculatePolygonMPUIDs();
	builder.CalculateBounds();
	return std::move(builder).ToBody(); // the builder is done with: its memory goes as the body fills
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
