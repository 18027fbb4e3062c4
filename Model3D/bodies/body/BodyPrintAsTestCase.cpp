// Body::PrintAsTestCase: the body as C++ source that rebuilds it.
#include "Model3D/bodies/body/Body.h"
#include "Model3D/core/frame/SizeReport.h"

namespace Modeler {

namespace {

// Every value goes through %d as the int of its bits, so that 32-bit unsigned fields come
// back unchanged when the source assigns them.
int AsInt(UInt32 value) {
	return static_cast<int>(value);
}

void PrintBanner(Kit::OChannel& ch) {
	CPrintf(ch, "/********************************************************/\n");
	CPrintf(ch, "/**   This function is generated; it restores a body   **/\n");
	CPrintf(ch, "/**        from which the function was dumped.         **/\n");
	CPrintf(ch, "/**   All you need is include this source and build.   **/\n");
	CPrintf(ch, "/********************************************************/\n");
	CPrintf(ch, "static Modeler::Body RestoreABody (void)\n{\n");
}

void PrintArrays(Kit::OChannel& ch) {
	CPrintf(ch, "\tKit::PagedArray<VERT> vertices_in;\n");
	CPrintf(ch, "\tKit::PagedArray<TEVE> textureVertices_in;\n");
	CPrintf(ch, "\tKit::PagedArray<EDGE> edges_in;\n");
	CPrintf(ch, "\tKit::PagedArray<Int32> polyEdges_in;\n");
	CPrintf(ch, "\tKit::PagedArray<VECT> polyNormals_in;\n");
	CPrintf(ch, "\tKit::PagedArray<Modeler::PGON> polygons_in;\n\n");
}

void PrintConstructorCall(Kit::OChannel& ch) {
	CPrintf(ch, "\n\n\treturn Modeler::Body (status_in,\n");
	for (const char* name : {"edgePenIdx_in", "iumat_in", "btype_in", "ifill_in", "sbkgc_in", "sconc_in", "sfilc_in",
	                         "sltype_in", "fatherBind_in", "wrap_in", "coor_in", "bounds_in", "vertices_in",
	                         "textureVertices_in", "edges_in", "polyEdges_in", "polyNormals_in"})
		CPrintf(ch, "\t\t\t\t\t\t  %s,\n", name);
	CPrintf(ch, "\t\t\t\t\t\t  polygons_in);\n");
	CPrintf(ch, "} //RestoreABody\n\n");
}

} // namespace

void Body::PrintAsTestCase(Kit::OChannel& ch) const {
	PrintBanner(ch);
	CPrintf(ch, "\tULong status_in = %d;\n", AsInt(status));
	const Int16 shorts[] = {edgePenIdx, iumat, btype, ifill, sbkgc, sconc, static_cast<Int16>(sfilc), sltype};
	const char* shortNames[] = {"edgePenIdx", "iumat", "btype", "ifill", "sbkgc", "sconc", "sfilc", "sltype"};
	for (USize k = 0; k < std::size(shorts); ++k)
		CPrintf(ch, "\tshort %s_in = %d;\n", shortNames[k], shorts[k]);
	CPrintf(ch, "\tUInt32 fatherBind_in = %d;\n", AsInt(fatherBind));
	CPrintf(ch, "\tshort wrap_in = %d;\n", wrap);
	CPrintf(ch, "\tInt32 coor_in[%d] = {", 4);
	for (int k = 0; k < 3; ++k)
		CPrintf(ch, "%d, ", coor[k]);
	CPrintf(ch, "%d};\n", coor[3]);
	CPrintf(ch, "\tF_Box3D bounds_in = {float(%f), float(%f), float(%f), float(%f), float(%f), float(%f)};\n",
	        double(bounds.xMin), double(bounds.yMin), double(bounds.xMax), double(bounds.yMax), double(bounds.zMin),
	        double(bounds.zMax));
	PrintArrays(ch);

	const Int32 vertexCount = static_cast<Int32>(GetVertexCount());
	CPrintf(ch, "\t//vertices (total: %d)\n", vertexCount);
	if (vertexCount > 0) CPrintf(ch, "\tVERT avert;\n");
	for (Int32 i = 0; i < vertexCount; ++i) {
		const VERT& v = GetConstVertex(i);
		CPrintf(ch, "\tavert.x = %f;\n\tavert.y = %f;\n\tavert.z = %f;\n", v.x, v.y, v.z);
		CPrintf(ch, "\tvertices_in.Push (avert);   //%d.\n", i);
	}
	CPrintf(ch, "\n");

	const Int32 teveCount = static_cast<Int32>(GetTextureVertexCount());
	CPrintf(ch, "\t//texture vertices (total: %d)\n", teveCount);
	if (teveCount > 0) CPrintf(ch, "\tTEVE ateve;\n");
	for (Int32 i = 0; i < teveCount; ++i) {
		const TEVE& t = GetConstTextureVertex(i);
		CPrintf(ch, "\tateve.u = %f;\n\tateve.v = %f;\n", double(t.u), double(t.v));
		CPrintf(ch, "\ttextureVertices_in.Push (ateve);   //%d.\n", i);
	}
	CPrintf(ch, "\n");

	const Int32 edgeCount = static_cast<Int32>(GetEdgeCount());
	CPrintf(ch, "\t//edges (total: %d)\n", edgeCount);
	if (edgeCount > 0) CPrintf(ch, "\tEDGE aedge;\n");
	for (Int32 i = 0; i < edgeCount; ++i) {
		const EDGE& e = GetConstEdge(i);
		CPrintf(ch,
		        "\taedge.status = %d;\n\taedge.dummy = %d;\n\taedge.color = %d;\n\taedge.vert1 = %d;\n"
		        "\taedge.vert2 = %d;\n\taedge.pgon1 = %d;\n\taedge.pgon2 = %d;\n",
		        AsInt(e.status), e.dummy, e.color, e.vert1, e.vert2, e.pgon1, e.pgon2);
		CPrintf(ch, "\tedges_in.Push (aedge);   //%d.\n", i);
	}
	CPrintf(ch, "\n");

	const Int32 pedgCount = static_cast<Int32>(GetPolyEdgeCount());
	CPrintf(ch, "\t//polygon edges (total: %d)\n", pedgCount);
	for (Int32 i = 0; i < pedgCount; ++i)
		CPrintf(ch, "\tpolyEdges_in.Push (%d);   //%d.\n", GetConstPolyEdge(i), i);
	CPrintf(ch, "\n");

	const Int32 normalCount = static_cast<Int32>(GetPolyNormalCount());
	CPrintf(ch, "\t//polygon normals (total: %d)\n", normalCount);
	if (normalCount > 0) CPrintf(ch, "\tVECT avect;\n");
	for (Int32 i = 0; i < normalCount; ++i) {
		const VECT& n = GetConstPolyNormal(i);
		CPrintf(ch, "\tavect.x = %f;\n\tavect.y = %f;\n\tavect.z = %f;\n", n.x, n.y, n.z);
		CPrintf(ch, "\tpolyNormals_in.Push (avect);   //%d.\n", i);
	}
	CPrintf(ch, "\n");

	const Int32 polygonCount = static_cast<Int32>(GetPolygonCount());
	CPrintf(ch, "\t//polygons (total: %d)\n", polygonCount);
	if (polygonCount > 0) {
		CPrintf(ch, "\tModeler::PGON apgon;\n");
		CPrintf(ch, "\tapgon.dummy = 0;\n\t//apgon.cpols is initialized to NULL\n\n");
	}
	for (Int32 i = 0; i < polygonCount; ++i) {
		const PGON& p = GetConstPolygon(i);
		CPrintf(ch,
		        "\tapgon.status = %d;\n\tapgon.iumat = %d;\n\tapgon.irtxt = %d;\n\tapgon.ivect = %d;\n"
		        "\tapgon.fpedg = %d;\n\tapgon.lpedg = %d;\n\tapgon.mpuid = %d;\n",
		        AsInt(p.status), p.iumat, p.irtxt, p.ivect, p.fpedg, p.lpedg, p.mpuid);
		CPrintf(ch, "\tpolygons_in.Push (apgon);   //%d.\n", i);
	}
	PrintConstructorCall(ch);
}

} // namespace Modeler
