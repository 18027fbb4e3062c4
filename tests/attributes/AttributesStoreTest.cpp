#include "AttributesTestSupport.h"

#include "Model3D/attributes/fills/FillConversion.h"
#include "Model3D/attributes/store/ModelerAttributes.h"
#include "platform/ARxAttributes.h"
#include "platform/BMMemory.h"
#include "platform/KitUtils.h"
#include "platform/PFFileRef.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace AttributesTest;
using Modeler::Attributes;

namespace {

const char* const MaterialMessage = "Material (umat) index out of range";
const char* const FillMessage = "Fill (ufil) index out of range";
const char* const FideMessage = "Fill (fide) index out of range";
const char* const TextureMessage = "Texture (rtxt) index out of range";
const char* const TxtaMessage = "Texture (txta) index out of range";

// Every single-entry getter of both views, with the index a test hands it.
void ExpectAllGettersThrowAt(Attributes::Modifier& m, UInt32 i) {
	using E = Kit::IllegalArgumentException;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetConstMaterialPtr(i); }), MaterialMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetConstFillPtr(i); }), FillMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetConstFillDescriptorPtr(i); }), FideMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetConstTexturePtr(i); }), TextureMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetConstTextureAttributesPtr(i); }), TxtaMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetMaterialPtr(i); }), MaterialMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetFillPtr(i); }), FillMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetFillDescriptorPtr(i); }), FideMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetTexturePtr(i); }), TextureMessage) << i;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetTextureAttributesPtr(i); }), TxtaMessage) << i;
}

// Restores the module's own string tables when a test installed a host lookup.
struct ProviderGuard {
	~ProviderGuard() { OUSetFixStringProvider(nullptr, nullptr); }
};

bool FrenchFillNames(char* buffer, Int32 listId, Int32 index, Int64, void*) {
	if (listId != 2008 || index != 6) return false;
	std::strcpy(buffer, "Remplissage %d");
	return true;
}

bool HostileFillNames(char* buffer, Int32 listId, Int32 index, Int64, void*) {
	if (listId != 2008 || index != 6) return false;
	std::strcpy(buffer, "%s of %d");
	return true;
}

bool LongFillNames(char* buffer, Int32 listId, Int32 index, Int64, void*) {
	if (listId != 2008 || index != 6) return false;
	std::strcpy(buffer, "A very long generated fill name number %05d");
	return true;
}

TEST(AttributesStore, NewStoreIsEmptyAndRefusesEveryIndex) {
	Attributes::Modifier m(Attributes::New());
	EXPECT_EQ(m.GetMaterialCount(), 0u);
	EXPECT_EQ(m.GetFillCount(), 0u);
	EXPECT_EQ(m.GetFillDescriptorCount(), 0u);
	EXPECT_EQ(m.GetTextureCount(), 0u);
	EXPECT_EQ(m.GetTextureAttributeCount(), 0u);
	EXPECT_EQ(m.GetAllItemsCount(), 0u);
	EXPECT_EQ(m.GetFillDescriptorMinSize(), 1000u);
	EXPECT_TRUE(m.GetLastUpdateStamp().IsZero());
	ExpectAllGettersThrowAt(m, 0);
	ExpectAllGettersThrowAt(m, 1);
}

TEST(AttributesStore, GettersAcceptExactlyOneToCount) {
	Attributes::Modifier m(Attributes::New());
	for (int i = 0; i < 3; ++i) {
		UMAT material;
		material.ambientPc = static_cast<Int16>(10 + i);
		m.AddMaterial(material);
		const std::string def = MakeDefinition(40, "F", static_cast<char>(i));
		m.AddFill(MakeUfil("F", 40), def.data());
		m.AddTexture(MakeTexture("t", 2, 2), TXTA{nullptr, i, 0});
	}
	ASSERT_EQ(m.GetFillDescriptorCount(), 120u);
	EXPECT_EQ(m.GetAllItemsCount(), 9u);

	ExpectAllGettersThrowAt(m, 0);
	using E = Kit::IllegalArgumentException;
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetConstMaterialPtr(4); }), MaterialMessage);
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetFillPtr(4); }), FillMessage);
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetConstFillDescriptorPtr(121); }), FideMessage);
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetTexturePtr(4); }), TextureMessage);
	EXPECT_EQ(ThrownMessage<E>([&] { m.GetConstTextureAttributesPtr(4); }), TxtaMessage);

	EXPECT_EQ(m.GetConstMaterialPtr(1)->ambientPc, 10);
	EXPECT_EQ(m.GetMaterialPtr(3)->ambientPc, 12);
	EXPECT_EQ(m.GetConstFillPtr(3)->defStart, 81);
	EXPECT_EQ(m.GetConstFillDescriptorPtr(1), m.GetFillDescriptorPtr(1));
	EXPECT_EQ(m.GetConstFillDescriptorPtr(120) - m.GetConstFillDescriptorPtr(1), 119);
	EXPECT_EQ(m.GetConstTexturePtr(3), m.GetTexturePtr(3));
	EXPECT_EQ(m.GetConstTextureAttributesPtr(3)->pictIndex, 2);
	EXPECT_EQ(m.GetTextureAttributesPtr(1)->pictIndex, 0);
}

TEST(AttributesStore, ViewsShareTheStoreAndCompareByIt) {
	Kit::SharedPtr<Attributes> store = Attributes::New();
	EXPECT_EQ(store->GetRefCount(), 1);
	EXPECT_EQ(store->GetDiskCachingMethod(), Modeler::DiskCachingOff);
	Attributes::Modifier a(store);
	Attributes::Modifier b = a;
	Attributes::Viewer v(store);
	Attributes::Modifier other(Attributes::New());
	EXPECT_EQ(store->GetRefCount(), 6); // the pointer, two per modifier, the viewer
	EXPECT_TRUE(a == b);
	EXPECT_FALSE(a != b);
	EXPECT_TRUE(a != other);
	EXPECT_TRUE(static_cast<Attributes::Viewer&>(a) == v);
	EXPECT_TRUE(v.IsViewerOf(store));
	EXPECT_FALSE(other.IsViewerOf(store));
	b = other;
	EXPECT_TRUE(b == other);
	EXPECT_EQ(store->GetRefCount(), 4);

	// A view keeps the store alive after the last pointer is gone.
	a.AddMaterial(UMAT());
	store.Clear();
	EXPECT_EQ(v.GetMaterialCount(), 1u);

	EXPECT_THROW(Attributes::Viewer(Kit::ConstSharedPtr<Attributes>()), Kit::IllegalArgumentException);
	EXPECT_THROW(Attributes::Modifier(Kit::SharedPtr<Attributes>()), Kit::IllegalArgumentException);

	Modeler::ModStamp stamp;
	stamp.Generate();
	a.SetLastUpdateStamp(stamp);
	EXPECT_EQ(v.GetLastUpdateStamp(), stamp);
}

TEST(AttributesStore, AddedMaterialsAreIndependentCopies) {
	Attributes::Modifier m(Attributes::New());
	UMAT material;
	material.SetName("Brick");
	material.textureIdx = 4;
	EXPECT_EQ(m.AddMaterial(material), 1u);
	material.SetName("Glass");
	EXPECT_EQ(m.AddMaterial(material), 2u);
	EXPECT_STREQ(m.GetConstMaterialPtr(1)->name, "Brick");
	EXPECT_STREQ(m.GetConstMaterialPtr(2)->name, "Glass");
	EXPECT_EQ(*m.GetConstMaterialPtr(2), material);
	// Materials never move when the table grows past a page.
	const UMAT* first = m.GetConstMaterialPtr(1);
	for (int i = 0; i < 20; ++i)
		m.AddMaterial(material);
	EXPECT_EQ(m.GetConstMaterialPtr(1), first);
	EXPECT_EQ(m.GetMaterialCount(), 22u);
}

TEST(AttributesStore, FillsKeepTheirDefinitionsBackToBack) {
	Attributes::Modifier m(Attributes::New());
	const std::string def1 = MakeDefinition(300, "Brick hatch", 1);
	const std::string def2 = MakeDefinition(152, "Ignored", 2);
	UFIL head = MakeUfil("Brick hatch", 300);
	EXPECT_EQ(m.AddFill(head, def1.data()), 1);
	EXPECT_EQ(m.AddFill(Int16(7), def2.data(), 152), 2);

	const UFIL* f1 = m.GetConstFillPtr(1);
	EXPECT_STREQ(f1->name, "Brick hatch");
	EXPECT_EQ(f1->status, 0);      // not the source's
	EXPECT_EQ(f1->hostFillIdx, 0); // not the source's
	EXPECT_EQ(f1->defStart, 1);
	EXPECT_EQ(f1->defByteCount, 300);
	EXPECT_EQ(std::string(m.GetConstFillDescriptorPtr(1), 300), def1);

	const UFIL* f2 = m.GetConstFillPtr(2);
	EXPECT_STREQ(f2->name, "Ignored"); // taken from byte 4 of the definition
	EXPECT_EQ(f2->hostFillIdx, 7);
	EXPECT_EQ(f2->defStart, 301);
	EXPECT_EQ(f2->defByteCount, 152);
	EXPECT_EQ(std::string(m.GetConstFillDescriptorPtr(301), 152), def2);
	EXPECT_EQ(m.GetFillDescriptorCount(), 452u);

	// A name of all 32 bytes is cut to stay terminated.
	UFIL full = MakeUfil("", 10);
	std::memset(full.name, 'N', sizeof full.name);
	const std::string def3 = MakeDefinition(10, "", 3);
	m.AddFill(full, def3.data());
	EXPECT_EQ(std::string(m.GetConstFillPtr(3)->name), std::string(31, 'N'));

	// A definition too short for a whole name gives the bytes it has (4..9).
	const std::string def4 = MakeDefinition(10, "", 'a');
	m.AddFill(Int16(1), def4.data(), 10);
	EXPECT_EQ(std::string(m.GetConstFillPtr(4)->name), def4.substr(4, 6));

	using E = Kit::IllegalArgumentException;
	EXPECT_EQ(ThrownMessage<E>([&] { m.AddFill(Int16(1), def1.data(), 0); }), "fillDefByteCount must be positive!");
	EXPECT_EQ(ThrownMessage<E>([&] { m.AddFill(MakeUfil("x", -5), def1.data()); }),
	          "fillDefByteCount must be positive!");
	EXPECT_EQ(m.GetFillCount(), 4u);
	EXPECT_EQ(m.GetFillDescriptorCount(), 472u);
}

TEST(AttributesStore, EmptyFillNamesAreGeneratedFromTheFillNameFormat) {
	ProviderGuard guard;
	Attributes::Modifier m(Attributes::New());
	const std::string def = MakeDefinition(40, "", 0);
	UFIL unnamed = MakeUfil("", 40);
	m.AddFill(unnamed, def.data());
	m.AddFill(unnamed, def.data());
	EXPECT_STREQ(m.GetConstFillPtr(1)->name, "Fill 1");
	EXPECT_STREQ(m.GetConstFillPtr(2)->name, "Fill 2");

	OUSetFixStringProvider(FrenchFillNames, nullptr);
	m.AddFill(unnamed, def.data());
	EXPECT_STREQ(m.GetConstFillPtr(3)->name, "Remplissage 3");

	// A format that asks for anything but one integer is not used.
	OUSetFixStringProvider(HostileFillNames, nullptr);
	m.AddFill(unnamed, def.data());
	EXPECT_STREQ(m.GetConstFillPtr(4)->name, "4");

	OUSetFixStringProvider(LongFillNames, nullptr);
	m.AddFill(unnamed, def.data());
	EXPECT_STREQ(m.GetConstFillPtr(5)->name,
	             std::string("A very long generated fill name number 00005").substr(0, 31).c_str());
}

TEST(AttributesStore, ExpandFillDefBringsInTheHostFill) {
	ARxClearAttributeTables();
	PlanAttr::Fill hostFill;
	hostFill.SetName(Kit::UniString("Solid"));
	hostFill.SetType(PlanAttr::PlainFill);
	const Int16 hostIndex = ARxAddFillAttr(hostFill);
	ASSERT_GT(hostIndex, 0);

	Attributes::Modifier m(Attributes::New());
	const std::string def = MakeDefinition(40, "Solid", 0);
	m.AddFill(hostIndex, def.data(), 40);
	m.AddFill(Int16(0), def.data(), 40);
	// Fill 1 stands for its host fill but has no definition yet.
	m.GetFillPtr(1)->defByteCount = 0;
	m.GetFillPtr(1)->status = 3;
	m.GetFillPtr(2)->defByteCount = 0;

	m.ExpandFillDef(1);
	const UFIL* expanded = m.GetConstFillPtr(1);
	EXPECT_EQ(expanded->status, 0);
	EXPECT_EQ(expanded->defStart, 81);
	EXPECT_EQ(expanded->defByteCount, 288);
	EXPECT_EQ(m.GetFillDescriptorCount(), 80u + 288u);

	PlanAttr::Fill* stored = nullptr;
	Int32 length = 0;
	ASSERT_EQ(ARxgetFillAttr(hostIndex, &stored, &length), NoError);
	char* record = nullptr;
	IMConvertFillToRecord(reinterpret_cast<char*>(stored), &record);
	delete stored;
	EXPECT_EQ(std::memcmp(m.GetConstFillDescriptorPtr(81), record, 288), 0);
	BMKillPtr(&record);

	// A fill with a definition, or without a host fill, is left alone.
	m.ExpandFillDef(1);
	m.ExpandFillDef(2);
	EXPECT_EQ(m.GetFillDescriptorCount(), 368u);
	EXPECT_EQ(m.GetConstFillPtr(2)->defByteCount, 0);

	// A host fill that does not exist.
	m.GetFillPtr(2)->hostFillIdx = 99;
	EXPECT_EQ(ThrownMessage<Kit::OutOfMemoryException>([&] { m.ExpandFillDef(2); }), "Cannot expand a fill!");
	EXPECT_EQ(ThrownMessage<Kit::IllegalArgumentException>([&] { m.ExpandFillDef(3); }), FillMessage);
	ARxClearAttributeTables();
}

TEST(AttributesStore, CopyFillDescriptorsMovesBytesWithinTheTable) {
	Attributes::Modifier m(Attributes::New());
	const std::string def = MakeDefinition(100, "", 'A');
	m.AddFill(Int16(0), def.data(), 100);
	m.CopyFillDescriptors(51, 1, 50);
	EXPECT_EQ(std::string(m.GetConstFillDescriptorPtr(51), 50), def.substr(0, 50));
	EXPECT_EQ(std::string(m.GetConstFillDescriptorPtr(1), 50), def.substr(0, 50));

	using E = Kit::IllegalArgumentException;
	EXPECT_EQ(ThrownMessage<E>([&] { m.CopyFillDescriptors(52, 1, 50); }), FideMessage);
	EXPECT_EQ(ThrownMessage<E>([&] { m.CopyFillDescriptors(1, 0, 10); }), FideMessage);
	EXPECT_EQ(ThrownMessage<E>([&] { m.CopyFillDescriptors(1, 95, 10); }), FideMessage);
}

TEST(AttributesStore, AddTextureOwnsCopiesOfFileReferenceAndPixels) {
	Attributes::Modifier m(Attributes::New());
	char* ref = PFCreateFileRef(IO::Location("/pictures/oak.png"));
	RTXT texture = MakeTexture("Oak", 4, 2);
	texture.pixels = BMAllocateHandle(32);
	std::memset(*texture.pixels, 7, 32);
	texture.status = 0x4001;

	EXPECT_EQ(m.AddTexture(texture, TXTA{ref, 3, 0}), 1);
	EXPECT_EQ(m.AddTexture(MakeTexture("Pine", 8, 8), TXTA{nullptr, 0, 0}), 2);

	const RTXT* stored = m.GetConstTexturePtr(1);
	EXPECT_EQ(stored->status, 0x4001);
	EXPECT_EQ(stored->xSize, 1.5f);
	EXPECT_EQ(stored->textureName[0], u'O');
	EXPECT_EQ(stored->pixelWidth, 4);
	ASSERT_NE(stored->pixels, nullptr);
	EXPECT_NE(stored->pixels, texture.pixels);
	EXPECT_EQ(BMGetHandleSize(stored->pixels), 32);
	EXPECT_EQ((*stored->pixels)[31], 7);
	const TXTA* attrs = m.GetConstTextureAttributesPtr(1);
	EXPECT_EQ(attrs->pictIndex, 3);
	EXPECT_NE(attrs->fileRef, ref);
	EXPECT_TRUE(PFEqualFile(attrs->fileRef, ref));
	EXPECT_EQ(m.GetConstTextureAttributesPtr(2)->fileRef, nullptr);

	// The caller's own reference and pixels stay the caller's.
	PFFreeFileRef(&ref);
	BMKillHandle(&texture.pixels);
	IO::Name name;
	EXPECT_EQ(PFGetFileName(m.GetConstTextureAttributesPtr(1)->fileRef, &name), NoError);
	EXPECT_EQ(name.ToUtf8(), "oak.png");
	EXPECT_EQ(m.GetTexturePixelBytes(), 32u);
}

TEST(AttributesStore, AddTextureFailsWhenTheTablesAreOutOfStep) {
	Attributes::Modifier m(Attributes::New());
	m.AddTexture(MakeTexture("a", 1, 1), TXTA{});
	m.AddTexture(MakeTexture("b", 1, 1), TXTA{});
	m.TruncateTextureAttributesCount(1);
	EXPECT_EQ(ThrownMessage<Kit::OutOfMemoryException>([&] { m.AddTexture(MakeTexture("c", 1, 1), TXTA{}); }),
	          "Cannot add a new texture!");
	EXPECT_EQ(m.GetTextureCount(), 2u);          // as before the call
	EXPECT_EQ(m.GetTextureAttributeCount(), 2u); // keeps its extra item
	EXPECT_EQ(m.AddTexture(MakeTexture("d", 1, 1), TXTA{}), 3);
}

TEST(AttributesStore, GrowAndTruncateBoundaries) {
	Attributes::Modifier m(Attributes::New());
	for (int i = 0; i < 3; ++i) {
		m.AddMaterial(UMAT());
		const std::string def = MakeDefinition(5, "", 0);
		m.AddFill(Int16(0), def.data(), 5);
		m.AddTexture(MakeTexture("t", 1, 1), TXTA{});
	}
	using R = Kit::RunTimeErrorException;
	// Growing to the count is fine; below it is refused.
	m.GrowMaterialCapacity(3);
	m.GrowFillCapacity(3);
	m.GrowFillDescriptorCapacity(15);
	m.GrowTextureCapacity(3);
	m.GrowTextureAttributesCapacity(3);
	EXPECT_EQ(ThrownMessage<R>([&] { m.GrowMaterialCapacity(2); }),
	          "GrowMaterialCapacity: current size > requested size");
	EXPECT_EQ(ThrownMessage<R>([&] { m.GrowFillCapacity(2); }), "GrowFillCapacity: current size > requested size");
	EXPECT_EQ(ThrownMessage<R>([&] { m.GrowFillDescriptorCapacity(14); }),
	          "GrowFillDescriptorCapacity: current size > requested size");
	EXPECT_EQ(ThrownMessage<R>([&] { m.GrowTextureCapacity(2); }),
	          "GrowTextureCapacity: current size >= requested size");
	EXPECT_EQ(ThrownMessage<R>([&] { m.GrowTextureAttributesCapacity(2); }),
	          "GrowTextureAttributesrCapacity: current size > requested size");

	// Growing reserves room without touching the count or the entries.
	const UInt64 before = m.GetAllocatedBytes();
	m.GrowFillCapacity(100);
	EXPECT_EQ(m.GetFillCount(), 3u);
	EXPECT_EQ(m.GetAllocatedBytes(), before + 90 * sizeof(UFIL));
	EXPECT_EQ(m.GetConstFillPtr(3)->defStart, 11);
	EXPECT_EQ(ThrownMessage<Kit::OutOfMemoryException>([&] { m.GrowFillCapacity(0xFFFFFFFFu); }),
	          "GrowFillCapacity failed");

	// Truncating to the count changes nothing; above it is refused.
	m.TruncateMaterialCount(3);
	m.TruncateFillCount(3);
	m.TruncateFillDescriptorCount(15);
	m.TruncateTextureCount(3);
	m.TruncateTextureAttributesCount(3);
	EXPECT_EQ(m.GetAllocatedBytes(), before + 90 * sizeof(UFIL));
	EXPECT_EQ(ThrownMessage<R>([&] { m.TruncateMaterialCount(4); }),
	          "TruncateMaterialCount: current size < requested size");
	EXPECT_EQ(ThrownMessage<R>([&] { m.TruncateFillCount(4); }), "TruncateFillCount: current size < requested size");
	EXPECT_EQ(ThrownMessage<R>([&] { m.TruncateFillDescriptorCount(16); }),
	          "TruncateFillDescriptorCount: current size < requested size");
	EXPECT_EQ(ThrownMessage<R>([&] { m.TruncateTextureCount(4); }),
	          "TruncateTextureCount: current size < requested size");
	EXPECT_EQ(ThrownMessage<R>([&] { m.TruncateTextureAttributesCount(4); }),
	          "TruncateTextureAttributesrCount: current size < requested size");

	m.TruncateMaterialCount(1);
	m.TruncateFillCount(1);
	m.TruncateFillDescriptorCount(5);
	m.TruncateTextureCount(0);
	m.TruncateTextureAttributesCount(0);
	EXPECT_EQ(m.GetMaterialCount(), 1u);
	EXPECT_EQ(m.GetFillCount(), 1u);
	EXPECT_EQ(m.GetFillDescriptorCount(), 5u);
	EXPECT_EQ(m.GetTextureCount(), 0u);
	EXPECT_EQ(ThrownMessage<Kit::IllegalArgumentException>([&] { m.GetConstFillPtr(2); }), FillMessage);
	// The next fill comes right after the kept ones.
	const std::string def = MakeDefinition(5, "", 0);
	EXPECT_EQ(m.AddFill(Int16(0), def.data(), 5), 2);
	EXPECT_EQ(m.GetConstFillPtr(2)->defStart, 6);
}

TEST(AttributesStore, PixelsUnloadUnlessResidentAndTheCacheDropsEverything) {
	Attributes::Modifier m(Attributes::New());
	char* ref = PFCreateFileRef(IO::Location("/p/a.png"));
	m.AddTexture(MakeTexture("plain", 2, 2), TXTA{ref, 0, 0});
	m.AddTexture(MakeTexture("resident", 2, 2), TXTA{ref, 1, 0});
	PFFreeFileRef(&ref);
	for (UInt32 i = 1; i <= 2; ++i) {
		RTXT* t = m.GetTexturePtr(i);
		t->pixels = BMAllocateHandle(16);
		t->status = static_cast<UInt16>(i == 2 ? RTXTResidentPixels : 0);
	}
	EXPECT_EQ(m.GetTexturePixelBytes(), 32u);

	m.UnloadAllTexturesPixels();
	EXPECT_EQ(m.GetConstTexturePtr(1)->pixels, nullptr);
	EXPECT_EQ(m.GetConstTexturePtr(1)->status, RTXTPixelsNotLoaded);
	EXPECT_NE(m.GetConstTexturePtr(2)->pixels, nullptr);
	EXPECT_EQ(m.GetConstTexturePtr(2)->status, RTXTResidentPixels);
	EXPECT_EQ(m.GetTexturePixelBytes(), 16u);

	m.ClearAttributes();
	EXPECT_EQ(m.GetTextureCount(), 0u);
	EXPECT_EQ(m.GetTextureAttributeCount(), 0u);
	EXPECT_EQ(m.GetTexturePixelBytes(), 0u);
}

TEST(AttributesStore, ClearTextureCacheFreesReferencesAndPixels) {
	Kit::SharedPtr<Attributes> store = Attributes::New();
	Attributes::Modifier m(store);
	char* ref = PFCreateFileRef(IO::Location("/p/a.png"));
	m.AddTexture(MakeTexture("a", 2, 2), TXTA{ref, 0, 0});
	PFFreeFileRef(&ref);
	m.GetTexturePtr(1)->pixels = BMAllocateHandle(16);
	m.GetTexturePtr(1)->status = RTXTResidentPixels;

	store->ClearTextureCache();
	EXPECT_EQ(m.GetTextureCount(), 1u);
	EXPECT_EQ(m.GetConstTextureAttributesPtr(1)->fileRef, nullptr);
	EXPECT_EQ(m.GetConstTexturePtr(1)->pixels, nullptr);
	EXPECT_EQ(m.GetConstTexturePtr(1)->status, RTXTResidentPixels | RTXTPixelsNotLoaded);
}

TEST(AttributesStore, ClearAttributesEmptiesEveryTable) {
	Attributes::Modifier m(Attributes::New());
	m.AddMaterial(UMAT());
	const std::string def = MakeDefinition(2000, "x", 0);
	m.AddFill(Int16(0), def.data(), 2000);
	m.AddTexture(MakeTexture("a", 1, 1), TXTA{});
	m.ClearAttributes();
	EXPECT_EQ(m.GetAllItemsCount(), 0u);
	EXPECT_EQ(m.GetFillDescriptorCount(), 0u);
	ExpectAllGettersThrowAt(m, 1);
	// The tables are usable again.
	EXPECT_EQ(m.AddFill(Int16(0), def.data(), 2000), 1);
	EXPECT_EQ(m.GetConstFillPtr(1)->defStart, 1);
}

} // namespace

namespace {

TEST(AttributesStore, FillIndicesStopAtTheLargestInt16) {
	Attributes::Modifier m(Attributes::New());
	const char byte = 'x';
	const UFIL named = MakeUfil("F", 1);
	m.GrowFillCapacity(32768);
	m.GrowFillDescriptorCapacity(32768);
	for (Int32 i = 1; i <= 32767; ++i)
		ASSERT_EQ(m.AddFill(named, &byte), i);
	EXPECT_EQ(ThrownMessage<Kit::OutOfMemoryException>([&] { m.AddFill(named, &byte); }), "Cannot add a new fill!");
	EXPECT_EQ(ThrownMessage<Kit::OutOfMemoryException>([&] { m.AddFill(Int16(1), &byte, 1); }),
	          "Cannot add a new fill!");
	// A refused fill leaves neither a head nor definition bytes behind.
	EXPECT_EQ(m.GetFillCount(), 32767u);
	EXPECT_EQ(m.GetFillDescriptorCount(), 32767u);
}

} // namespace
