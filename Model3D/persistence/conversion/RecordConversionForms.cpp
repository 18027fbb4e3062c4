// Conversion of old polygon and edge forms to the current records.
#include "Model3D/persistence/conversion/RecordConversion.h"

namespace {

// Clears every field of a polygon and frees its triangle cache.
void ResetPgon(Modeler::PGON* pgon) {
	pgon->ClearCache();
	pgon->status = 0;
	pgon->dummy = 0;
	pgon->iumat = 0;
	pgon->irtxt = 0;
	pgon->ivect = 0;
	pgon->fpedg = 0;
	pgon->lpedg = 0;
	pgon->mpuid = 0;
	pgon->alignment = 0;
}

// Sets a polygon from an old form: every field the old form has is copied, the rest
// (and the triangle cache) is cleared. The oldest form has no mpuid.
template <typename OldPgon> void PgonFromOldForm(Modeler::PGON* pgon, const OldPgon* old) {
	if (pgon == nullptr || old == nullptr) return;
	ResetPgon(pgon);
	pgon->status = old->status;
	pgon->iumat = old->iumat;
	pgon->irtxt = old->irtxt;
	pgon->ivect = old->ivect;
	pgon->fpedg = old->fpedg;
	pgon->lpedg = old->lpedg;
	if constexpr (requires { old->mpuid; }) pgon->mpuid = old->mpuid;
}

} // namespace

void FCPgonFromPgon41(Modeler::PGON* pgon, const PGON_41* pgon41) {
	PgonFromOldForm(pgon, pgon41);
}

void FCPgonFromPgon51(Modeler::PGON* pgon, const PGON_51* pgon51) {
	PgonFromOldForm(pgon, pgon51);
}

void FCPgonFromPgon110(Modeler::PGON* pgon, const PGON_110* pgon110) {
	PgonFromOldForm(pgon, pgon110);
}

void FCEdgeFromEdge51(EDGE* edge, const EDGE_51* edge51) {
	if (edge == nullptr || edge51 == nullptr) return;
	*edge = EDGE{};
	edge->status = edge51->status;
	edge->color = edge51->color;
	edge->vert1 = edge51->vert1;
	edge->vert2 = edge51->vert2;
	edge->pgon1 = edge51->pgon1;
	edge->pgon2 = edge51->pgon2;
}
