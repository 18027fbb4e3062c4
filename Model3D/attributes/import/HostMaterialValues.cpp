#include "Model3D/attributes/import/HostMaterialValues.h"
#include "Model3D/attributes/import/MaterialImport.h"
#include "platform/BMMemory.h"
#include "platform/KitException.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr const char* SourceName = "Model3D/HostMaterialValues";

[[noreturn]] void Fail(UInt32 line) {
	throw Kit::InternalErrorException(nullptr, SourceName, line);
}

// Reads the numbers of a handle of 'count' doubles, checked against the handle's size.
class Values {
public:
	Values(double** handle, Int16 count) : handle(handle), count(count) {
		if (count > 0 && (handle == nullptr || *handle == nullptr ||
		                  BMGetHandleSize(reinterpret_cast<GSConstHandle>(handle)) < Int64(count) * 8))
			Fail(__LINE__);
	}
	double At(Int32 i) const {
		if (i < 0 || i >= count || !std::isfinite((*handle)[i])) Fail(__LINE__);
		return (*handle)[i];
	}
	// A colour channel: v x 65535 + 0.5, truncated.
	UInt16 Channel(Int32 i) const { return static_cast<UInt16>(std::clamp(At(i) * 65535.0 + 0.5, 0.0, 65535.0)); }
	Kit::RGBColor Color(Int32 first) const { return {Channel(first), Channel(first + 1), Channel(first + 2)}; }
	// A percentage or coefficient: v x 100 + 0.5, truncated.
	Int16 Percent(Int32 i) const { return Whole(At(i) * 100.0 + 0.5); }
	Int16 Integer(Int32 i) const { return Whole(At(i)); }

private:
	static Int16 Whole(double v) {
		return static_cast<Int16>(std::clamp(std::trunc(v), double(std::numeric_limits<Int16>::min()),
		                                     double(std::numeric_limits<Int16>::max())));
	}
	double** handle;
	Int16 count;
};

void SetCoefficients(const Values& v, Int32 first, PlanAttr::Material& m) {
	m.SetAmbientPc(v.Percent(first));
	m.SetDiffusePc(v.Percent(first + 1));
	m.SetSpecularPc(v.Percent(first + 2));
	m.SetTransparencyPc(v.Percent(first + 3));
	m.SetShininess(v.Percent(first + 4));
	m.SetTransparencyAtt(v.Percent(first + 5));
}

void SetTexture(const Kit::UniString* textureName, Int16 count, double** handle, PlanAttr::Material& m) {
	double width = 1.0;
	double height = 1.0;
	Int32 status = 0;
	double angle = 0.0;
	if (count > 0) {
		const Values t(handle, count);
		width = t.At(1);
		height = t.At(2);
		status = t.Integer(3);
		angle = t.At(4);
	}
	UInt16 stored = static_cast<UInt16>((status & 0x3FF) << 3);
	if ((stored & 0x1F8) != 0) stored |= 0x0001;
	if (textureName != nullptr) {
		stored |= 0x1000;
		m.SetTextureName(*textureName);
	}
	m.SetTextureStatus(stored);
	m.SetTextureSize(width, height);
	m.SetTextureRotation(angle);
}

} // namespace

Int16 IARGBfloat2Pen(const float rgb[3]) {
	if (rgb == nullptr) return 0;
	const auto channel = [](float v) {
		const double scaled = std::isfinite(v) ? double(v) * 65535.0 : 0.0;
		return static_cast<UInt16>(std::clamp(scaled, 0.0, 65535.0));
	};
	const Kit_RGBColor color{channel(rgb[0]), channel(rgb[1]), channel(rgb[2])};
	return IMSearchSimilar(&color);
}

void IADab2Mater(const Kit::UniString& name, Int16 /*unused*/, Int16 n, double** values,
                 const Kit::UniString* textureName, Int16 t, double** textureValues, PlanAttr::Material* material) {
	if (n <= 0 || material == nullptr) Fail(__LINE__);
	const Values v(values, n);
	PlanAttr::Material m;
	IMErrorMater(&m);
	m.SetName(name.GetLength() >= 1 && name.GetLength() <= 255 ? name : Kit::UniString("???"));
	m.SetFillIndex(0);
	const Int32 e = v.Integer(0);
	m.SetType(static_cast<Int16>(e));

	Int32 expected = n;
	Int32 base = e;
	if (e < 20) {
		if (e > 9) expected = n - 1;
		if (e >= 10) base = e - 10;
	} else {
		if (t != 5 && t > 0) Fail(__LINE__);
		expected = n - 3;
		base = e - 20;
	}
	const bool hasFill = e > 9;
	const bool hasTexture = e >= 20;
	const auto fillAndTexture = [&](Int32 at) {
		if (hasFill) m.SetFillIndex(v.Integer(at));
		if (hasTexture) {
			m.SetFillColor(v.Integer(at + 1));
			SetTexture(textureName, textureValues != nullptr ? t : Int16(0), textureValues, m);
		}
	};
	if (base == 0) {
		if (expected != 17) Fail(__LINE__);
		m.SetSurfaceColor(v.Color(1));
		SetCoefficients(v, 4, m);
		m.SetSpecularColor(v.Color(10));
		m.SetEmissionColor(v.Color(13));
		m.SetEmissionAtt(v.Percent(16));
		fillAndTexture(17);
	} else if (base == 1) {
		if (expected != 10) Fail(__LINE__);
		m.SetSurfaceColor(v.Color(1));
		m.SetSpecularColor(v.Color(1));
		SetCoefficients(v, 4, m);
		fillAndTexture(10);
		m.SetEmissionColor(Kit::RGBColor{});
		m.SetEmissionAtt(0);
		m.SetType(0);
	} else {
		if (expected != 4) Fail(__LINE__);
		m.SetSurfaceColor(v.Color(1));
		fillAndTexture(4);
		IMSetupMater(&m);
	}
	*material = m;
}
