#include "Model3D/bodies/records/PGON.h"

#include <cstring>
#include <new>

namespace Modeler {

PgonImage ToPgonImage(const PGON& p) {
	return PgonImage{p.status, p.dummy, p.iumat, p.irtxt, p.ivect, p.fpedg, p.lpedg, p.mpuid, 0, 0};
}

void AssignPgonImage(PGON& p, const PgonImage& image) {
	p.status = image.status;
	p.dummy = image.dummy;
	p.iumat = image.iumat;
	p.irtxt = image.irtxt;
	p.ivect = image.ivect;
	p.fpedg = image.fpedg;
	p.lpedg = image.lpedg;
	p.mpuid = image.mpuid;
}

PGON::PGON(const PGON& source)
    : status(source.status), dummy(source.dummy), iumat(source.iumat), irtxt(source.irtxt), ivect(source.ivect),
      fpedg(source.fpedg), lpedg(source.lpedg), mpuid(source.mpuid), alignment(source.alignment) {
	CopyCPols(source);
}

PGON& PGON::operator=(const PGON& source) {
	if (this == &source) return *this;
	status = source.status;
	dummy = source.dummy;
	iumat = source.iumat;
	irtxt = source.irtxt;
	ivect = source.ivect;
	fpedg = source.fpedg;
	lpedg = source.lpedg;
	mpuid = source.mpuid;
	alignment = source.alignment;
	CopyCPols(source);
	return *this;
}

void PGON::ClearCache() const {
	if (LoadCache() == nullptr) return; // the common case, without a locked exchange
	FreeCache(CacheRef().exchange(nullptr, std::memory_order_acq_rel));
}

void PGON::SetCache(Int32* block) const {
	Int32* old = CacheRef().exchange(block, std::memory_order_acq_rel);
	if (old != block) FreeCache(old);
}

const Int32* PGON::PublishCache(Int32* block) const {
	Int32* expected = nullptr;
	if (CacheRef().compare_exchange_strong(expected, block, std::memory_order_acq_rel, std::memory_order_acquire))
		return block;
	FreeCache(block); // another thread was first
	return expected;
}

Int32* PGON::AllocateCache(Int32 triangleCount) {
	if (triangleCount < 0) return nullptr;
	const USize values = 3 * USize(triangleCount) + 1;
	Int32* block = new (std::nothrow) Int32[values]();
	if (block != nullptr) block[0] = triangleCount;
	return block;
}

void PGON::FreeCache(Int32* block) {
	delete[] block;
}

void PGON::CopyCPols(const PGON& source) {
	ClearCache();
	const Int32* cache = source.LoadCache();
	if (cache == nullptr) return;
	Int32* copy = AllocateCache(cache[0]);
	if (copy == nullptr) return;
	std::memcpy(copy, cache, CacheBytes(cache[0]));
	SetCache(copy);
}

} // namespace Modeler
