// Quick streams of elements: sharing through the tables, round trips, and refusal of
// damaged or forged streams.
#include "Model3D/elements/elem/Elem.h"
#include "Model3D/elements/elem/detail/BoundsStatistics.h"
#include "fixtures/ElemFixtures.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

using Fixtures::MakeBaseElem;
using Fixtures::MakeCube;
using Fixtures::MakeElem;
using Fixtures::Translation;
using Modeler::BaseElem;
using Modeler::Body;
using Modeler::Elem;

namespace {

std::vector<char> BodyImage(const Body& body) {
	IO::MemoryOChannel out;
	body.QuickWrite(out);
	return out.GetBytes();
}

LGHT MakeLight(float x) {
	LGHT light;
	light.type = 3;
	light.SetPos(x, 1.0f, 2.0f);
	light.SetDir(0.0f, 0.0f, -1.0f);
	const UInt32 k = light.params.PushEntry("power", Modeler::PropertyList::Num, Modeler::PropertyList::Scalar);
	light.params.SetNumEntry(k, 0.5 + x);
	return light;
}

Kit::SharedPtr<Elem> ReadElem(const std::vector<char>& bytes) {
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	Kit::SharedPtr<Elem> e(new Elem(Modeler::VOCA(), false, false, nullptr));
	e->QuickRead(in);
	EXPECT_EQ(in.GetAvailable(), 0u);
	return e;
}

// A stream image with its record fields addressable.
struct ElemImage {
	std::vector<char> bytes;
	static constexpr USize IndexOffset = 2 + 48 + 4 + 104; // base element index after the raw part

	void Put(USize offset, Int32 value) { std::memcpy(bytes.data() + offset, &value, sizeof value); }
	void Put(USize offset, UInt32 value) { std::memcpy(bytes.data() + offset, &value, sizeof value); }
};

template <typename F> void ExpectRefused(const std::vector<char>& bytes, F read) {
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	EXPECT_THROW(read(in), Kit::InternalErrorException);
}

} // namespace

TEST(ElemStream, SameBodyThreeTimesIsWrittenOnce) {
	Kit::SharedPtr<Body> cube = MakeCube();
	Kit::SharedPtr<BaseElem> base = MakeBaseElem({cube, cube, cube});

	IO::MemoryOChannel out;
	base->QuickWrite(out);
	const std::vector<char> bodyImage = BodyImage(*cube);
	// count, index 0 + record, index 0, index 0, hotspot count, light count.
	EXPECT_EQ(out.GetDataSize(), 4 + 4 + bodyImage.size() + 4 + 4 + 4 + 4);

	IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
	BaseElem back;
	back.QuickRead(in);
	ASSERT_EQ(back.GetBodyCount(), 3u);
	EXPECT_NE(back.GetConstBody(0).Get(), cube.Get());
	EXPECT_EQ(back.GetConstBody(0).Get(), back.GetConstBody(1).Get());
	EXPECT_EQ(back.GetConstBody(1).Get(), back.GetConstBody(2).Get());
	EXPECT_TRUE(back == *base);
	// The three slots and nothing else hold the body.
	EXPECT_EQ(back.GetConstBody(0)->GetRefCount(), 3);
}

TEST(ElemStream, ElementsSharingABaseElementThroughOneSetOfTables) {
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	pair.base->AddLightSource(MakeLight(1.0f));
	pair.base->AddLightSource(MakeLight(2.0f));

	IO::MemoryOChannel out;
	Modeler::BodyWriteTable bodies;
	Modeler::BaseElemWriteTable baseElems;
	pair.first->QuickWrite(out, bodies, baseElems);
	const UInt64 firstSize = out.GetDataSize();
	pair.second->QuickWrite(out, bodies, baseElems);
	// The second record is the raw part and the bare index 0 of the shared base element.
	EXPECT_EQ(out.GetDataSize() - firstSize, ElemImage::IndexOffset + 4);
	Int32 lastIndex = -1;
	std::memcpy(&lastIndex, out.GetBuffer() + out.GetDataSize() - 4, 4);
	EXPECT_EQ(lastIndex, 0);
	EXPECT_EQ(baseElems.GetSize(), 1u);
	EXPECT_EQ(bodies.GetSize(), 1u);

	IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
	Modeler::BodyReadTable readBodies;
	Modeler::BaseElemReadTable readBases;
	Kit::SharedPtr<Elem> a(new Elem(Modeler::VOCA(), false, false, nullptr));
	Kit::SharedPtr<Elem> b(new Elem(Modeler::VOCA(), false, false, nullptr));
	a->QuickRead(in, readBodies, readBases);
	b->QuickRead(in, readBodies, readBases);
	EXPECT_EQ(in.GetAvailable(), 0u);
	ASSERT_EQ(readBases.size(), 1u);
	EXPECT_EQ(readBodies.size(), 1u);
	EXPECT_EQ(a->GetConstBaseElem(), b->GetConstBaseElem());
	EXPECT_EQ(a->GetConstBody(0).Get(), b->GetConstBody(2).Get());

	// Round trip: equal elements, same generation ids and flags, bounds recomputed.
	EXPECT_TRUE(*a == *pair.first);
	EXPECT_TRUE(*b == *pair.second);
	EXPECT_EQ(a->GetGenId(), pair.first->GetGenId());
	EXPECT_EQ(a->GetFlags(), pair.first->GetFlags());
	EXPECT_EQ(b->GetBounds(), pair.second->GetBounds());
	ASSERT_EQ(a->GetConstBaseElem()->GetLightSourceCount(), 2u);
	EXPECT_TRUE(a->GetConstBaseElem()->GetLightSource(1) == pair.base->GetLightSource(1));
	EXPECT_EQ(a->GetHotspotCount(), 1u);
	EXPECT_TRUE(a->GetConstHotspot(0) == pair.base->GetConstHotspot(0));

	// Without shared tables, each element carries the full base element again.
	IO::MemoryOChannel separate;
	pair.first->QuickWrite(separate);
	pair.second->QuickWrite(separate);
	EXPECT_EQ(separate.GetDataSize(), 2 * firstSize);
	Kit::SharedPtr<Elem> c = ReadElem(std::vector<char>(separate.GetBuffer(), separate.GetBuffer() + firstSize));
	EXPECT_TRUE(*c == *pair.first);
}

TEST(ElemStream, NullBaseElementAndBodiesSharedAcrossBaseElements) {
	Kit::SharedPtr<Elem> bare = MakeElem(MakeBaseElem({MakeCube()}), Translation(1, 2, 3));
	Kit::SharedPtr<BaseElem> none;
	bare->SetBaseElem(none);
	IO::MemoryOChannel out;
	bare->QuickWrite(out);
	ASSERT_EQ(out.GetDataSize(), ElemImage::IndexOffset + 4);
	Int32 index = 0;
	std::memcpy(&index, out.GetBuffer() + ElemImage::IndexOffset, 4);
	EXPECT_EQ(index, -1);
	Kit::SharedPtr<Elem> back = ReadElem(out.GetBytes());
	EXPECT_EQ(back->GetConstBaseElem(), nullptr);
	EXPECT_TRUE(*back == *bare);
	EXPECT_TRUE(back->GetBounds().IsEmpty());

	// Two base elements over one body: the body record is written once.
	Kit::SharedPtr<Body> wall = Fixtures::MakeWallWithWindow();
	Kit::SharedPtr<Elem> e1 = MakeElem(MakeBaseElem({wall, MakeCube()}));
	Kit::SharedPtr<Elem> e2 = MakeElem(MakeBaseElem({MakeCube(2), wall}));
	IO::MemoryOChannel both;
	Modeler::BodyWriteTable bodies;
	Modeler::BaseElemWriteTable bases;
	e1->QuickWrite(both, bodies, bases);
	e2->QuickWrite(both, bodies, bases);
	EXPECT_EQ(bodies.GetSize(), 3u);
	EXPECT_EQ(bases.GetSize(), 2u);
	IO::MemoryIChannel in(both.GetBuffer(), both.GetDataSize());
	Modeler::BodyReadTable readBodies;
	Modeler::BaseElemReadTable readBases;
	Elem r1(Modeler::VOCA(), false, false, nullptr);
	Elem r2(Modeler::VOCA(), false, false, nullptr);
	r1.QuickRead(in, readBodies, readBases);
	r2.QuickRead(in, readBodies, readBases);
	EXPECT_EQ(r1.GetConstBody(0).Get(), r2.GetConstBody(1).Get());
	EXPECT_TRUE(r1 == *e1);
	EXPECT_TRUE(r2 == *e2);
}

TEST(ElemStream, TruncatedStreamsAreRefusedAtEveryLength) {
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	pair.base->AddLightSource(MakeLight(4.0f));
	pair.base->AddBody(Fixtures::MakeWallWithWindow());
	IO::MemoryOChannel out;
	pair.first->QuickWrite(out);
	const std::vector<char>& full = out.GetBytes();
	ASSERT_TRUE(ReadElem(full) != nullptr);

	for (USize length = 0; length < full.size(); ++length) {
		std::vector<char> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
		IO::MemoryIChannel in(cut.data(), cut.size());
		Elem e(Modeler::VOCA(), false, false, nullptr);
		EXPECT_THROW(e.QuickRead(in), Kit::InternalErrorException) << "length " << length;
	}
}

TEST(ElemStream, ForgedIndicesAndCountsAreRefused) {
	Kit::SharedPtr<Body> cube = MakeCube();
	Kit::SharedPtr<Elem> e = MakeElem(MakeBaseElem({cube, cube}));
	IO::MemoryOChannel out;
	e->QuickWrite(out);
	const USize bodyCountOffset = ElemImage::IndexOffset + 4;
	const USize firstBodyIndex = bodyCountOffset + 4;
	const USize secondBodyIndex = firstBodyIndex + 4 + BodyImage(*cube).size();
	auto readElem = [](Kit::IChannel& in) {
		Elem r(Modeler::VOCA(), false, false, nullptr);
		r.QuickRead(in);
	};

	{ // The sound image reads.
		ElemImage img{out.GetBytes()};
		IO::MemoryIChannel in(img.bytes.data(), img.bytes.size());
		EXPECT_NO_THROW(readElem(in));
	}
	for (Int32 bad : {1, 5, -2, 0x7FFFFFFF}) { // the first base element must be index 0
		ElemImage img{out.GetBytes()};
		img.Put(ElemImage::IndexOffset, bad);
		ExpectRefused(img.bytes, readElem);
	}
	for (Int32 bad : {1, -1, 1000}) { // the first body must be index 0
		ElemImage img{out.GetBytes()};
		img.Put(firstBodyIndex, bad);
		ExpectRefused(img.bytes, readElem);
	}
	{ // The second body may only share body 0 or be new as 1.
		ElemImage img{out.GetBytes()};
		img.Put(secondBodyIndex, Int32(2));
		ExpectRefused(img.bytes, readElem);
	}
	for (UInt32 bad : {3u, 0x40000000u, 0xFFFFFFFFu}) { // more bodies than the stream holds
		ElemImage img{out.GetBytes()};
		img.Put(bodyCountOffset, bad);
		ExpectRefused(img.bytes, readElem);
	}
	{ // Huge hotspot and light counts are refused before allocating.
		ElemImage img{out.GetBytes()};
		const USize hotspotCountOffset = img.bytes.size() - 8;
		img.Put(hotspotCountOffset, UInt32(0x10000000));
		ExpectRefused(img.bytes, readElem);
		ElemImage img2{out.GetBytes()};
		img2.Put(img2.bytes.size() - 4, UInt32(0xFFFFFFFF));
		ExpectRefused(img2.bytes, readElem);
	}

	// With a shared table, a base element index past the next new one is refused too.
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	IO::MemoryOChannel two;
	Modeler::BodyWriteTable bodies;
	Modeler::BaseElemWriteTable bases;
	pair.first->QuickWrite(two, bodies, bases);
	const USize secondRecord = two.GetDataSize();
	pair.second->QuickWrite(two, bodies, bases);
	ElemImage img{two.GetBytes()};
	img.Put(secondRecord + ElemImage::IndexOffset, Int32(2));
	IO::MemoryIChannel in(img.bytes.data(), img.bytes.size());
	Modeler::BodyReadTable readBodies;
	Modeler::BaseElemReadTable readBases;
	Elem a(Modeler::VOCA(), false, false, nullptr);
	Elem b(Modeler::VOCA(), false, false, nullptr);
	a.QuickRead(in, readBodies, readBases);
	EXPECT_THROW(b.QuickRead(in, readBodies, readBases), Kit::InternalErrorException);
}

TEST(ElemStream, FailingOutputThrows) {
	class RefusingChannel : public Kit::OChannel {
	protected:
		bool DoWrite(const void*, UInt64) override { return false; }
	};
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	RefusingChannel out;
	EXPECT_THROW(pair.first->QuickWrite(out), Kit::InternalErrorException);
	RefusingChannel out2;
	Kit::SharedPtr<BaseElem> empty(new BaseElem());
	EXPECT_THROW(empty->QuickWrite(out2), Kit::InternalErrorException);
}

// The fault: every Elem record recomputed its bounds when read, transforming every vertex
// of the body in every body slot of its base element, also when the record only named a
// base element read before by its index. A small stream of placements of one base element
// with many slots over one large body cost placements × slots × vertices.
TEST(ElemStream, WorkAmplificationOfPlacementsNamingOneLargeBaseElement) {
	constexpr UInt32 VertexCount = 3000, SlotCount = 400, PlacementCount = 300;
	Fixtures::BodyData data;
	std::mt19937 random(11);
	std::uniform_real_distribution<double> coordinate(-5.0, 5.0);
	for (UInt32 i = 0; i < VertexCount; ++i)
		data.AddVertex(coordinate(random), coordinate(random), coordinate(random));
	data.ComputeBounds();
	const Kit::SharedPtr<Body> large = Fixtures::MakeBody(data);
	const Kit::SharedPtr<BaseElem> base = MakeBaseElem({MakeCube(2)});
	for (UInt32 i = 0; i < SlotCount; ++i)
		base->AddBody(large);
	base->AddHotspot(Fixtures::MakeHotspot(9, 9, 9));

	std::vector<Kit::SharedPtr<Elem>> placed;
	IO::MemoryOChannel out;
	Modeler::BodyWriteTable bodies;
	Modeler::BaseElemWriteTable baseElems;
	for (UInt32 i = 0; i < PlacementCount; ++i) {
		placed.push_back(MakeElem(base, Fixtures::ScaleAndMove(1.01 + i * 0.01, i, 0.5 * i, 0)));
		placed.back()->QuickWrite(out, bodies, baseElems);
	}

	// Reading transforms nothing: the bounds wait for their first query.
	const UInt64 visitsBefore = Modeler::BoundsStatistics::GetTransformedVertexCount();
	IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
	Modeler::BodyReadTable readBodies;
	Modeler::BaseElemReadTable readBases;
	std::vector<Kit::SharedPtr<Elem>> read;
	for (UInt32 i = 0; i < PlacementCount; ++i) {
		read.emplace_back(new Elem(Modeler::VOCA(), false, false, nullptr));
		read.back()->QuickRead(in, readBodies, readBases);
		ASSERT_TRUE(read.back()->GetBoundsCalculated());
		ASSERT_EQ(read.back()->GetSizeofElem(), placed[i]->GetSizeofElem());
	}
	EXPECT_EQ(Modeler::BoundsStatistics::GetTransformedVertexCount(), visitsBefore);

	// Threads asking at once get the bounds computed once per placement, each distinct
	// body transformed once, and equal to those computed when the elements were made.
	std::vector<std::thread> threads;
	std::atomic<int> mismatches{0};
	for (int t = 0; t < 4; ++t) {
		threads.emplace_back([&] {
			for (UInt32 i = 0; i < PlacementCount; ++i) {
				const Elem& e = *read[i];
				if (!(e.GetBounds() == placed[i]->GetBounds())) ++mismatches;
				for (UInt32 slot : {0u, 1u, SlotCount})
					if (!(e.GetBodyBounds(slot) == placed[i]->GetBodyBounds(slot))) ++mismatches;
			}
		});
	}
	for (std::thread& thread : threads)
		thread.join();
	EXPECT_EQ(mismatches.load(), 0);
	EXPECT_EQ(Modeler::BoundsStatistics::GetTransformedVertexCount() - visitsBefore,
	          UInt64(PlacementCount) * (VertexCount + 8));
}
