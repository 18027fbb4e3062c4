// Conversion of old polygon and edge forms to the current records.
#include "Model3D/persistence/RecordConversion.h"

namespace {

// Clears every field of a polygon and frees its triangle cache.
void ResetPgon(Modeler::PGON* pgon)
{
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

}	// namespace

void FCPgonFromPgon41(Modeler::PGON* pgon, const PGON_41* pgon41)
{
	if (pgon == nullptr || pgon41 == nullptr)
		return;
	ResetPgon(pgon);
	pgon->status = pgon41->status;
	pgon->iumat = pgon41->iumat;
	pgon->irtxt = pgon41->irtxt;
	pgon->ivect = pgon41->ivect;
	pgon->fpedg = pgon41->fpedg;
	pgon->lpedg = pgon41->lpedg;
}

void FCPgonFromPgon51(Modeler::PGON* pgon, const PGON_51* pgon51)
{
	if (pgon == nullptr || pgon51 == nullptr)
		return;
	ResetPgon(pgon);
	pgon->status = pgon51->status;
	pgon->iumat = pgon51->iumat;
	pgon->irtxt = pgon51->irtxt;
	pgon->ivect = pgon51->ivect;
	pgon->fpedg = pgon51->fpedg;
	pgon->lpedg = pgon51->lpedg;
	pgon->mpuid = pgon51->mpuid;
}

void FCPgonFromPgon110(Modeler::PGON* pgon, const PGON_110* pgon110)
{
	if (pgon == nullptr || pgon110 == nullptr)
		return;
	ResetPgon(pgon);
	pgon->status = pgon110->status;
	pgon->iumat = pgon110->iumat;
	pgon->irtxt = pgon110->irtxt;
	pgon->ivect = pgon110->ivect;
	pgon->fpedg = pgon110->fpedg;
	pgon->lpedg = pgon110->lpedg;
	pgon->mpuid = pgon110->mpuid;
}

void FCEdgeFromEdge51(EDGE* edge, const EDGE_51* edge51)
{
	if (edge == nullptr || edge51 == nullptr)
		return;
	*edge = EDGE{};
	edge->status = edge51->status;
	edge->color = edge51->color;
	edge->vert1 = edge51->vert1;
	edge->vert2 = edge51->vert2;
	edge->pgon1 = edge51->pgon1;
	edge->pgon2 = edge51->pgon2;
}
