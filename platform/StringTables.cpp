// The module's own English texts for the string lists it asks for. A host that has
// localised lists answers through its lookup callback (KitUtils.h); these serve when it
// does not. The comment at each entry gives the printf arguments that the callers pass;
// a text must take exactly those, in that order. Labels without arguments are cut to 15
// characters by the report printer, so they are kept short.

#include "platform/KitUtils.h"

#include <algorithm>
#include <iterator>

namespace {

struct Entry {
	Int32 list;
	Int32 index;
	const char* text;
};

// Sorted by list, then index.
constexpr Entry entries[] = {
    // 2006: body check messages, formatted into the caller's message buffer.
    {2006, 17, "Edge %d refers to a vertex that does not exist."},              // edge number
    {2006, 18, "Polygon %d lies on both sides of edge %d."},                    // polygon as stored, edge number
    {2006, 19, "Side %d names polygon %d, which does not use edge %d."},        // side, polygon number, edge number
    {2006, 20, "Side %d (polygon %d) of edge %d is open in a closed body."},    // side, polygon number, edge number
    {2006, 21, "Polygon normal %d has no usable length."},                      // normal number
    {2006, 23, "Material %d of polygon %d does not exist."},                    // material index, polygon number
    {2006, 24, "Normal reference %d of polygon %d is out of range."},           // normal reference, polygon number
    {2006, 25, "Edge index %d in polygon %d is out of range."},                 // edge index, polygon number
    {2006, 26, "Polygon %d: edge %d does not continue its contour."},           // polygon number, edge number
    {2006, 27, "Polygon %d: edge %d has both ends at the same vertex."},        // polygon number, edge number
    {2006, 29, "Edge %d leaves the plane of polygon %d."},                      // edge number, polygon number
    {2006, 30, "Polygon %d begins with a contour separator."},                  // polygon number
    {2006, 31, "Polygon %d has a concave first corner."},                       // polygon number
    {2006, 32, "The outer contour of polygon %d runs the wrong way."},          // polygon number
    {2006, 33, "A hole of polygon %d runs the wrong way."},                     // polygon number
    {2006, 34, "Polygon %d has an empty contour."},                             // polygon number
    {2006, 36, "The body has curved polygons; it is marked curved."},           // none
    {2006, 37, "The body has no curved polygons; its curved mark is removed."}, // none
    {2006, 38, "Edge %d is not used in opposite directions by its polygons."},  // edge number
    {2006, 39, "Edge %d is used by more than two polygons."},                   // edge number
    {2006, 40, "Edge %d already has two polygons and cannot take polygon %d."}, // edge number, polygon number
    {2006, 41, "Polygon %d refers to polygon edges that do not exist."},        // polygon number

    // 2008: generated names.
    {2008, 6, "Fill %d"}, // fill index

    // 2500: body and decomposition listings. Integers are int-sized, coordinates double.
    {2500, 45, "  Min: %12.4f %12.4f %12.4f\n"},                             // xMin, yMin, zMin
    {2500, 46, "  Max: %12.4f %12.4f %12.4f\n"},                             // xMax, yMax, zMax
    {2500, 58, "Body status 0x%08X  type %d  edge pen %d  material %d\n"},   // status, btype, edgePenIdx, iumat
    {2500, 59, "Body status 0x%08X  father %u  material %d  edge pen %d\n"}, // status, fatherBind, iumat, edgePenIdx
    {2500, 66, "Vertices: %d\n"},                                            // count
    {2500, 69, "  %6d: %14.6f %14.6f %14.6f\n"},                             // number, x, y, z (vertices and normals)
    {2500, 71, "  Wrapping %d  coordinate system %d %d %d %d\n"},            // wrap, coor[0..3]
    {2500, 73, "Polygon normals: %d\n"},                                     // count
    {2500, 74, "Edges: %d\n"},                                               // count
    {2500, 76, "  %6d: vertices %d %d  polygons %d %d  status 0x%X  color %d  %d\n"}, // index, vert1, vert2, pgon1,
                                                                                      // pgon2, status, color, 0
    {2500, 81, "Polygon edges: %d\n"},                                                // count
    {2500, 82, "Polygons: %d\n"},                                                     // count
    {2500, 84,
     "  Polygon %d: edges %d-%d  status 0x%X  normal %d  material %d  texture %d  id %d\n"}, // number, fpedg, lpedg,
                                                                                             // status, ivect, iumat,
                                                                                             // irtxt, id
    {2500, 85,
     "  Polygon %d: edges %d-%d  status 0x%X  normal %d  material %d  texture %d\n"}, // number, fpedg, lpedg, status,
                                                                                      // ivect, iumat, irtxt
    {2500, 87, "    %6d: %d (end of contour)\n"},                                     // position, 0
    {2500, 107, "    Triangles: %d\n"},                                               // count
    {2500, 108, "    %6d: %d"},                                                       // triangle number, first vertex
    {2500, 109, " %d"},                                                               // further vertex
    {2500, 122, "Texture vertices: %d\n"},                                            // count
    {2500, 123, "  %6d: %14.6f %14.6f\n"},                                            // number, u, v
    {2500, 124, "    %6d: %d (%d -> %d)\n"}, // position, reference, start vertex, end vertex
    {2500, 125,
     "  Fill %d  background %d  contour %d  fill pen %d  line type %d\n"}, // ifill, sbkgc, sconc, sfilc, sltype

    // 2501: attribute size report labels.
    {2501, 1, "Attributes"},
    {2501, 2, "Attribute total"},
    {2501, 3, "Materials"},
    {2501, 4, "Textures"},
    {2501, 5, "Loaded pixels"},
    {2501, 6, "Full pixels"},
    {2501, 7, "Fills"},
    {2501, 8, "Attribute store"},

    // 2502: model size report labels.
    {2502, 1, "Main model"},
    {2502, 2, "Clipped model"},
    {2502, 3, "Total"},
    {2502, 4, "Bodies"},
    {2502, 5, "Light sources"},
    {2502, 7, "Polygons"},
    {2502, 8, "Polygon edges"},
    {2502, 9, "Edges"},
    {2502, 10, "Vertices"},
    {2502, 11, "Normals"},
    {2502, 12, "Hotspots"},
    {2502, 13, "Texture verts"},
    {2502, 17, "Model object"},
    {2502, 18, "Elements"},
    {2502, 19, "Base elements"},

    // 10000: file and folder names.
    {10000, 49, "Model3D-%u"}, // model global index (unsigned int)
};

constexpr bool IsSorted() {
	for (USize i = 1; i < std::size(entries); ++i) {
		const Entry& a = entries[i - 1];
		const Entry& b = entries[i];
		if (a.list > b.list || (a.list == b.list && a.index >= b.index)) return false;
	}
	return true;
}
static_assert(IsSorted(), "string table entries must be sorted by list and index");

} // namespace

const char* OUGetBuiltInString(Int32 listId, Int32 index) {
	const auto it = std::lower_bound(
	    std::begin(entries), std::end(entries), Entry{listId, index, nullptr},
	    [](const Entry& a, const Entry& b) { return a.list < b.list || (a.list == b.list && a.index < b.index); });
	if (it == std::end(entries) || it->list != listId || it->index != index) return nullptr;
	return it->text;
}
